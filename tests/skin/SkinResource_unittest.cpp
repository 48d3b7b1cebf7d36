#include <gtest/gtest.h>

#include <QFile>

#include "skin/BuiltinSkin.h"

namespace zvp {
namespace {

TEST(SkinResourceTest, EveryPieceOfArtIsCompiledIn) {
    QFile stop(":/skin/20012-stop.svg");
    ASSERT_TRUE(stop.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stop.readAll().contains("<svg"));
    for (const BuiltinArt& art : kBuiltinArt) EXPECT_TRUE(QFile::exists(art.path)) << art.path;
}

}  // namespace
}  // namespace zvp
