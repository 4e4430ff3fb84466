#include "PngTestSupport.h"

#include "FuncGraphicWorkPng.h"

#include <QBuffer>

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>

namespace pngtest {

namespace {

void appendBigEndian(QByteArray& out, std::uint32_t v)
{
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

} // namespace

PngBuilder& PngBuilder::signature()
{
    bytes_.append("\x89PNG\r\n\x1a\n", 8);
    return *this;
}

PngBuilder& PngBuilder::chunk(const char* type, const QByteArray& data)
{
    QByteArray body(type, 4);
    body.append(data);
    appendBigEndian(bytes_, std::uint32_t(data.size()));
    bytes_.append(body);
    appendBigEndian(bytes_, std::uint32_t(
        crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
    return *this;
}

PngBuilder& PngBuilder::header(std::uint32_t width, std::uint32_t height, int depth, int colourType,
                               int interlace, int compression)
{
    QByteArray d;
    appendBigEndian(d, width);
    appendBigEndian(d, height);
    d.append(char(depth)).append(char(colourType)).append(char(compression)).append(char(0)).append(char(interlace));
    return chunk("IHDR", d);
}

PngBuilder& PngBuilder::palette(const std::vector<std::uint32_t>& rgb)
{
    QByteArray d;
    for (std::uint32_t c : rgb)
        d.append(char(c >> 16)).append(char(c >> 8)).append(char(c));
    return chunk("PLTE", d);
}

PngBuilder& PngBuilder::imageData(const QByteArray& rawRows, int split)
{
    const QByteArray z = zlibCompress(rawRows);
    if (split <= 0)
        return chunk("IDAT", z);
    for (qsizetype at = 0; at < z.size(); at += split)
        chunk("IDAT", z.mid(at, split));
    return *this;
}

PngBuilder& PngBuilder::end()
{
    return chunk("IEND", {});
}

PngBuilder& PngBuilder::raw(const QByteArray& bytes)
{
    bytes_.append(bytes);
    return *this;
}

QByteArray zlibCompress(const QByteArray& raw, int level)
{
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray out(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
              uLong(raw.size()), level);
    out.resize(qsizetype(size));
    return out;
}

namespace {

struct MemoryReader {
    const QByteArray* data;
    qsizetype at;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t n)
{
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (qsizetype(n) > r->data->size() - r->at)
        png_error(png, "read past the end");
    std::memcpy(out, r->data->constData() + r->at, n);
    r->at += qsizetype(n);
}

void onError(png_structp png, png_const_charp message)
{
    auto* ref = static_cast<ReferenceImage*>(png_get_error_ptr(png));
    ref->error = message;
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Everything libpng would otherwise act on besides the critical chunks.
const png_byte kIgnored[] = "tRNS\0gAMA\0cHRM\0sRGB\0iCCP\0sBIT\0bKGD\0hIST\0pHYs\0sPLT\0"
                            "tIME\0tEXt\0zTXt\0iTXt\0oFFs\0pCAL\0sCAL\0eXIf";

// Owns no C++ object: a longjmp out of libpng skips no destructor. The
// pixel buffer and row pointers live in `ref` and `rows`, set up by the caller.
bool runLibpng(MemoryReader* reader, ReferenceImage* ref, std::vector<png_bytep>* rows)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, ref, onError, onWarning);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, reader, readFromMemory);
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored, int(sizeof kIgnored / 5));
    png_read_info(png, info);
    const int type = png_get_color_type(png, info);
    if (type == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if ((type & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_expand_gray_1_2_4_to_8(png);
        png_set_gray_to_rgb(png);
    }
    png_set_bgr(png);
    png_set_strip_16(png); // the reader keeps a 16-bit sample's high byte
    png_read_update_info(png, info);
    ref->width = int(png_get_image_width(png, info));
    ref->height = int(png_get_image_height(png, info));
    ref->bytesPerPixel = int(png_get_channels(png, info));
    ref->pixels.resize(std::size_t(ref->width) * std::size_t(ref->height) * std::size_t(ref->bytesPerPixel));
    rows->resize(std::size_t(ref->height));
    for (int y = 0; y < ref->height; ++y)
        (*rows)[std::size_t(y)] = ref->pixels.data() + std::size_t(y) * std::size_t(ref->width) * std::size_t(ref->bytesPerPixel);
    png_read_image(png, rows->data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

ReferenceImage decodeWithLibpng(const QByteArray& png)
{
    ReferenceImage ref;
    MemoryReader reader{&png, 0};
    std::vector<png_bytep> rows;
    ref.ok = runLibpng(&reader, &ref, &rows);
    return ref;
}

std::string comparePicture(const TBitmap& picture, const ReferenceImage& ref)
{
    if (picture.Width() != ref.width || picture.Height() != ref.height)
        return "size " + std::to_string(picture.Width()) + "x" + std::to_string(picture.Height()) + ", libpng " +
               std::to_string(ref.width) + "x" + std::to_string(ref.height);
    if (picture.BytesPerPixel() != ref.bytesPerPixel)
        return "bytes per pixel " + std::to_string(picture.BytesPerPixel()) + ", libpng " +
               std::to_string(ref.bytesPerPixel);
    const std::size_t rowBytes = std::size_t(ref.width) * std::size_t(ref.bytesPerPixel);
    for (int y = 0; y < ref.height; ++y) {
        const std::uint8_t* ours = picture.ScanLine(y);
        const std::uint8_t* theirs = ref.pixels.data() + std::size_t(y) * rowBytes;
        for (std::size_t i = 0; i < rowBytes; ++i)
            if (ours[i] != theirs[i])
                return "pixel (" + std::to_string(i / std::size_t(ref.bytesPerPixel)) + ", " + std::to_string(y) +
                       ") byte " + std::to_string(i % std::size_t(ref.bytesPerPixel)) + ": " +
                       std::to_string(ours[i]) + ", libpng " + std::to_string(theirs[i]);
    }
    return {};
}

void loadPng(TBitmap& picture, const QByteArray& png)
{
    QByteArray copy = png;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    LoadPngFromStream(picture, buffer);
}

} // namespace pngtest
