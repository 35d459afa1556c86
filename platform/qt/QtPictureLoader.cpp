#include "platform/qt/QtPictureLoader.h"

#include <QByteArray>
#include <QIODevice>
#include <QImageReader>
#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/Platform.h"
#include "platform/qt/QtBitmap.h"

namespace chordlane {

namespace {

// No picture may hold more pixel memory than this; QImageReader checks it before it
// allocates, after the side bound below has been checked against the header.
constexpr int ALLOCATION_LIMIT_MB = 256;

// Lets QImageReader read a file opened through the program's own file system, which
// resolves '\' and case-blind names.
class FileDevice : public QIODevice {
  public:
    explicit FileDevice(std::unique_ptr<File> file) : file_(std::move(file)) {
        size_ = file_->Size();
    }

    bool isSequential() const override { return false; }
    qint64 size() const override { return size_ < 0 ? 0 : size_; }
    bool seek(qint64 pos) override {
        if (!QIODevice::seek(pos)) return false;
        return file_->Seek(pos);
    }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (maxSize <= 0) return 0;
        return static_cast<qint64>(file_->Read(data, static_cast<size_t>(maxSize)));
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    std::unique_ptr<File> file_;
    int64_t size_ = -1;
};

}  // namespace

QtPictureLoader::QtPictureLoader(FileSystem& files, String startupPath)
    : files_(files), startupPath_(std::move(startupPath)) {}

std::shared_ptr<Bitmap> QtPictureLoader::LoadFile(const String& path) {
    if (path.empty()) return nullptr;
    std::unique_ptr<File> file = files_.Open(path, FileMode::Read);
    if (!file) return nullptr;
    FileDevice device(std::move(file));
    if (!device.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return nullptr;

    QImageReader reader(&device);
    reader.setAllocationLimit(ALLOCATION_LIMIT_MB);
    // Bitmaps and PNG only, the pictures the headless loader knows too. Other readers need
    // not tell the size they will read: the GIF reader answers the size of its first frame's
    // header and may then read a larger picture.
    const QByteArray kind = reader.format();
    if (kind != "bmp" && kind != "png") return nullptr;
    // The header's size decides before any pixels are read: a size the reader cannot tell
    // cannot be bounded, so it is refused too.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() <= 0 || size.height() <= 0 ||
        size.width() > MAX_PICTURE_SIDE || size.height() > MAX_PICTURE_SIDE) {
        return nullptr;
    }
    // Readers stop at the end of a truncated file and leave the rest of the image as they
    // found it; a picture filled beforehand shows white there instead of stale memory.
    QImage image;
    const QImage::Format format = reader.imageFormat();
    if (format != QImage::Format_Invalid) {
        const int64_t bits = QImage::toPixelFormat(format).bitsPerPixel();
        const int64_t bytes =
            int64_t{size.width()} * size.height() * std::max<int64_t>(bits, 8) / 8;
        if (bytes > int64_t{ALLOCATION_LIMIT_MB} * 1024 * 1024) return nullptr;
        image = QImage(size, format);
        if (image.isNull()) return nullptr;
        image.fill(Qt::white);
    }
    if (!reader.read(&image) || image.isNull() || image.size() != size) return nullptr;
    return std::make_shared<QtBitmap>(std::move(image));
}

std::shared_ptr<Bitmap> QtPictureLoader::LoadStartupBitmap() {
    if (startupPath_.empty()) return nullptr;
    return LoadFile(startupPath_);
}

}  // namespace chordlane
