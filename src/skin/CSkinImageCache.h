#pragma once

#include <QtGlobal>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "skin/CMemDC2.h"
#include "skin/SkinCtrlValues.h"

namespace zvp {

// The images one skinned surface draws with: built-in art by resource id and device pixel
// ratio, image files by full path. Each is loaded once; a load that fails is cached as an
// empty image, so its log line comes once.
//
// Ownership: images are shared. The cache holds one reference; Clear (and the destructor)
// drops only that, so a control still holding an image keeps it valid until it lets go.
// UI thread only (QPixmap).
class CSkinImageCache {
  public:
    using Image = std::shared_ptr<const CMemDC2>;

    // The built-in art `id` rendered at `devicePixelRatio` (the window's devicePixelRatioF()),
    // its logical size the art's size. Never null; empty (after logging "Cannot load skin
    // image: %s") for an id without art.
    Image Resource(int id, qreal devicePixelRatio);

    // The image file at `path` (ReadSkinImageFile), at a ratio of 1. Never null; empty when
    // it cannot be loaded.
    Image File(const std::string& path);

    // The image `source` names; null for an empty source.
    Image Load(const SkinImageSource& source, qreal devicePixelRatio);

    // Drops the cache's references to every image.
    void Clear();
    // Drops the cache's references to built-in art only (at every ratio).
    void ClearResources() { resources_.clear(); }

    size_t size() const { return resources_.size() + files_.size(); }

    // Renders built-in art without caching; empty (after logging) for an id without art.
    static Image RenderArt(int id, qreal devicePixelRatio);

  private:
    std::map<std::pair<int, qreal>, Image> resources_;
    std::map<std::string, Image> files_;
};

}  // namespace zvp
