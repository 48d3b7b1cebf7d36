#include "skin/CSkinImageCache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <chrono>
#include <cstring>

#include "app/AppFileTestUtil.h"
#include "media/LogCapture.h"
#include "skin/SkinImageFile.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

std::string Encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

QImage Gradient(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, 90));
    }
    return image;
}

void Put32(std::string& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

class CSkinImageCacheTest : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.file(name);
        test::WriteBytes(path, bytes);
        return path;
    }

    test::TempDir dir_;
    test::LogCapture log_;
    CSkinImageCache cache_;
};

TEST_F(CSkinImageCacheTest, FilesAreReadByContentAtTheirOwnSize) {
    const QImage source = Gradient(30, 7);
    // A PNG under a bitmap's name: the content decides.
    const std::string png = Write("strip.bmp", Encode(source, "PNG"));
    const std::string bmp = Write("Strip.BMP", Encode(source, "BMP"));
    for (const std::string& path : {png, bmp}) {
        const CSkinImageCache::Image image = cache_.File(path);
        ASSERT_FALSE(image->IsEmpty()) << path;
        EXPECT_EQ(image->Size(), QSize(30, 7));
        EXPECT_EQ(image->DevicePixelRatio(), 1.0);
        EXPECT_EQ(image->pixmap().toImage().convertToFormat(QImage::Format_RGB32), source);
    }
    // Bitmaps with colour tables: the rows start after the table.
    for (const QImage::Format format : {QImage::Format_Mono, QImage::Format_Indexed8}) {
        const std::string path = Write("table.bmp", Encode(source.convertToFormat(format), "BMP"));
        cache_.Clear();
        EXPECT_EQ(cache_.File(path)->Size(), QSize(30, 7)) << format;
    }
    // Other formats Qt could decode are not skin images.
    const std::string jpeg = Write("strip.jpg", Encode(source, "JPEG"));
    EXPECT_TRUE(cache_.File(jpeg)->IsEmpty());
    EXPECT_TRUE(log_.Contains("Cannot load skin image: " + jpeg));
}

TEST_F(CSkinImageCacheTest, UnloadableFilesAreCachedEmptyAndLoggedOnce) {
    const std::string missing = dir_.file("missing.bmp");
    std::string truncated = Encode(Gradient(64, 64), "BMP");
    truncated.resize(54 + 100);
    const std::string cut = Write("cut.bmp", truncated);
    std::string halfPng = Encode(Gradient(64, 64), "PNG");
    halfPng.resize(halfPng.size() / 2);
    const std::string cutPng = Write("cut.png", halfPng);
    // Run-length encoded (8-bit RLE, one row "two pixels of colour 0", end of bitmap): its
    // decoder leaves skipped pixels undefined.
    std::string rle = Encode(Gradient(2, 1).convertToFormat(QImage::Format_Indexed8), "BMP");
    Put32(rle, 30, 1);
    rle += std::string("\x02\x00\x00\x01", 4);
    const std::string runs = Write("rle.bmp", rle);
    const std::string junk = Write("junk.bmp", "BM this is not a bitmap");
    const std::string folder = dir_.file("folder.bmp");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    for (const std::string& path : {missing, cut, cutPng, runs, junk, folder}) {
        const CSkinImageCache::Image first = cache_.File(path);
        ASSERT_NE(first, nullptr);
        EXPECT_TRUE(first->IsEmpty()) << path;
        EXPECT_EQ(first->Size(), QSize(0, 0));
        EXPECT_EQ(cache_.File(path), first);
        EXPECT_EQ(log_.CountOf("Cannot load skin image: " + path + "\n"), 1) << path;
    }
}

TEST_F(CSkinImageCacheTest, OversizedImagesAreRefusedBeforeDecoding) {
    // A bitmap header claiming 30000 x 30000 at 24 bits, with no pixels behind it.
    std::string header(54, '\0');
    header[0] = 'B';
    header[1] = 'M';
    Put32(header, 2, 54);
    Put32(header, 10, 54);
    Put32(header, 14, 40);
    Put32(header, 18, 30000);
    Put32(header, 22, 30000);
    header[26] = 1;
    header[28] = 24;
    const std::string huge = Write("huge.bmp", header);
    EXPECT_TRUE(cache_.File(huge)->IsEmpty());
    EXPECT_TRUE(log_.Contains("Skin image too large: " + huge + " (30000x30000)"));

    // Past the side limit but small on disk; and past the decoded limit with sides in range.
    const std::string wide = Write("wide.png", Encode(Gradient(kMaxSkinImageSide + 1, 1), "PNG"));
    EXPECT_TRUE(cache_.File(wide)->IsEmpty());
    EXPECT_TRUE(log_.Contains("Skin image too large: " + wide + " (8193x1)"));
    QImage big(8192, 2049, QImage::Format_Mono);
    big.fill(0);
    const std::string square = Write("big.png", Encode(big, "PNG"));
    EXPECT_TRUE(cache_.File(square)->IsEmpty());
    EXPECT_TRUE(log_.Contains("Skin image too large: " + square + " (8192x2049)"));
    big = QImage(8192, 2048, QImage::Format_Mono);
    big.fill(1);
    const std::string fits = Write("fits.png", Encode(big, "PNG"));
    EXPECT_EQ(cache_.File(fits)->Size(), QSize(8192, 2048));
}

TEST_F(CSkinImageCacheTest, SpecialAndOverlargeFilesAreRefusedWithoutWaiting) {
    const std::string fifo = dir_.file("fifo.bmp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // One byte more than the limit, sparse: refused from its size alone.
    const std::string large = dir_.file("large.bmp");
    const int fd = ::open(large.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kMaxSkinImageFileSize) + 1), 0);
    ::close(fd);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(cache_.File(fifo)->IsEmpty());
    EXPECT_TRUE(cache_.File(large)->IsEmpty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(log_.Contains("Cannot load skin image: " + fifo));
    EXPECT_TRUE(log_.Contains("Cannot load skin image: " + large));
}

TEST_F(CSkinImageCacheTest, ClearingDropsOnlyTheCachesHold) {
    const std::string path = Write("a.png", Encode(Gradient(8, 4), "PNG"));
    const CSkinImageCache::Image file = cache_.File(path);
    const CSkinImageCache::Image art = cache_.Resource(20012, 2.0);
    EXPECT_EQ(cache_.File(path), file);
    EXPECT_EQ(cache_.Resource(20012, 2.0), art);
    EXPECT_EQ(cache_.size(), 2u);

    cache_.Clear();
    EXPECT_EQ(cache_.size(), 0u);
    // What a control still holds stays whole.
    EXPECT_EQ(file->Size(), QSize(8, 4));
    EXPECT_EQ(file->pixmap().size(), QSize(8, 4));
    EXPECT_EQ(art->pixmap().size(), QSize(160, 40));
    // The next request loads afresh.
    EXPECT_NE(cache_.File(path), file);
}

TEST_F(CSkinImageCacheTest, ArtIsCachedPerRatioAndUnknownIdsAreEmpty) {
    const CSkinImageCache::Image one = cache_.Resource(20014, 1.0);
    const CSkinImageCache::Image two = cache_.Resource(20014, 2.0);
    EXPECT_NE(one, two);
    EXPECT_EQ(one->Size(), two->Size());
    EXPECT_EQ(two->pixmap().size(), QSize(320, 40));
    EXPECT_EQ(cache_.Resource(20014, 1.0), one);
    const CSkinImageCache::Image odd = cache_.Resource(20014, 1.25);
    EXPECT_EQ(odd->Size(), QSize(160, 20));
    EXPECT_EQ(odd->pixmap().size(), QSize(200, 25));

    EXPECT_TRUE(cache_.Resource(4242, 1.0)->IsEmpty());
    EXPECT_TRUE(cache_.Resource(4242, 1.0)->IsEmpty());
    EXPECT_EQ(log_.CountOf("Cannot load skin image: :/skin/4242"), 1);

    EXPECT_EQ(cache_.Load(SkinImageSource{}, 1.0), nullptr);
    EXPECT_EQ(cache_.Load(SkinImageSource{20014, ""}, 2.0), two);
    const std::string path = Write("b.png", Encode(Gradient(3, 3), "PNG"));
    EXPECT_EQ(cache_.Load(SkinImageSource{0, path}, 2.0), cache_.File(path));
}

}  // namespace
}  // namespace zvp
