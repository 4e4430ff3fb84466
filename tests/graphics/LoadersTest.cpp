#include <gtest/gtest.h>

#include "FuncGraphicWorkLoad.h"
#include "TestEnv.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace {

QString dataFile(const QString& name)
{
    return pocosa::test::testDataDir() + QStringLiteral("/loaders/") + name;
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(path);
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << qPrintable(path);
    f.write(bytes);
}

TBitmap loadBytes(const QString& name, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TBitmap picture;
    LoadGraphicFromStream(picture, name, buffer);
    return picture;
}

// Mean difference per colour channel between the picture and image; lossy
// coding spreads its error, so the mean says more than the worst pixel.
double meanChannelDiff(const TBitmap& picture, const QImage& image)
{
    const QImage ref = image.convertToFormat(QImage::Format_RGB32);
    long sum = 0;
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x) {
            const std::uint8_t* p = row + x * picture.BytesPerPixel();
            const QRgb c = ref.pixel(x, y);
            sum += std::abs(p[0] - qBlue(c)) + std::abs(p[1] - qGreen(c)) + std::abs(p[2] - qRed(c));
        }
    }
    return double(sum) / (3.0 * picture.Width() * picture.Height());
}

bool allNeutral(const TBitmap& picture)
{
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const std::uint8_t* p = picture.ScanLine(y) + 3 * x;
            if (p[0] != p[1] || p[1] != p[2])
                return false;
        }
    return true;
}

bool samePixels(const TBitmap& a, const TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
        return false;
    const std::size_t rowBytes = std::size_t(a.Width()) * std::size_t(a.BytesPerPixel());
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), rowBytes) != 0)
            return false;
    return true;
}

// A small 24-bit picture with a known pattern, to see that a failed load
// leaves it alone.
TBitmap marker()
{
    TBitmap p(3, 2, pf24bit);
    p.ScanLine(1)[5] = 0x42;
    return p;
}

// Patches the height and width of the first SOF marker of a JPEG.
QByteArray withJpegSize(QByteArray jpeg, int width, int height)
{
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const auto m = std::uint8_t(jpeg[i + 1]);
        if (std::uint8_t(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC2)) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no SOF marker";
    return jpeg;
}

// An 8 x 8 JPEG of one CMYK colour, stored as given, with or without the
// Adobe marker that says the inks are stored inverted.
QByteArray cmykJpeg(const std::uint8_t (&cmyk)[4], bool adobeMarker)
{
    jpeg_compress_struct ci{};
    jpeg_error_mgr err{};
    ci.err = jpeg_std_error(&err);
    jpeg_create_compress(&ci);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&ci, &out, &size);
    ci.image_width = 8;
    ci.image_height = 8;
    ci.input_components = 4;
    ci.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&ci);
    jpeg_set_quality(&ci, 100, TRUE);
    ci.write_Adobe_marker = adobeMarker;
    jpeg_start_compress(&ci, TRUE);
    JSAMPLE row[8 * 4];
    for (int x = 0; x < 8; ++x)
        std::memcpy(row + 4 * x, cmyk, 4);
    JSAMPROW rows[] = {row};
    while (ci.next_scanline < ci.image_height)
        jpeg_write_scanlines(&ci, rows, 1);
    jpeg_finish_compress(&ci);
    jpeg_destroy_compress(&ci);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

} // namespace

TEST(JpegLoader, CmykInksAreInvertedOnlyUnderTheAdobeMarker)
{
    // Without the marker 0 means no ink; with it (what nearly every CMYK
    // writer does) 0 means full ink.
    struct Row {
        const char* name;
        std::uint8_t cmyk[4];
        bool adobe;
        int blue, green, red;
    } rows[] = {
        {"no ink, plain", {0, 0, 0, 0}, false, 255, 255, 255},
        {"no ink, inverted", {255, 255, 255, 255}, true, 255, 255, 255},
        {"black, plain", {0, 0, 0, 255}, false, 0, 0, 0},
        {"black, inverted", {0, 0, 0, 0}, true, 0, 0, 0},
        {"magenta and yellow, plain", {0, 255, 255, 0}, false, 0, 0, 255},
        {"magenta and yellow, inverted", {255, 0, 0, 255}, true, 0, 0, 255},
        {"cyan at half, plain", {128, 0, 0, 0}, false, 255, 255, 127},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TBitmap picture = loadBytes("c.jpg", cmykJpeg(row.cmyk, row.adobe));
        ASSERT_EQ(picture.PixelFormat(), pf24bit);
        ASSERT_EQ(picture.Width(), 8);
        const std::uint8_t* p = picture.ScanLine(4) + 3 * 4;
        EXPECT_NEAR(p[0], row.blue, 2);
        EXPECT_NEAR(p[1], row.green, 2);
        EXPECT_NEAR(p[2], row.red, 2);
    }
}

TEST(JpegLoader, EveryKindDecodesToTwentyFourBitColour)
{
    // Compared with Qt's own JPEG reader (same library, independent colour
    // handling) and, loosely, with the picture the files were made from.
    const QImage source(dataFile("src.png"));
    const QImage grey = source.convertToFormat(QImage::Format_Grayscale8);
    struct Row {
        const char* file;
        double fromSource;
        bool neutral;
    } rows[] = {
        {"baseline.jpg", 6, false},
        {"progressive.jpg", 6, false},
        {"grey.jpg", 12, true}, // luma weights differ a little between makers
        {"cmyk.jpg", 6, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        TBitmap picture;
        LoadGraphicFromFile(picture, dataFile(row.file));
        EXPECT_EQ(picture.Width(), 40);
        EXPECT_EQ(picture.Height(), 30);
        EXPECT_EQ(picture.PixelFormat(), pf24bit);
        EXPECT_LE(meanChannelDiff(picture, QImage(dataFile(row.file))), 1.0);
        EXPECT_LE(meanChannelDiff(picture, row.neutral ? grey : source), row.fromSource);
        EXPECT_EQ(allNeutral(picture), row.neutral);
    }
}

TEST(JpegLoader, ExtensionIsMatchedWithoutLetterCase)
{
    QTemporaryDir dir;
    const QByteArray jpeg = readBytes(dataFile("baseline.jpg"));
    for (const char* name : {"A.JPG", "b.Jpeg", "c.jpeg"}) {
        SCOPED_TRACE(name);
        writeBytes(dir.filePath(name), jpeg);
        TBitmap picture;
        LoadGraphicFromFile(picture, dir.filePath(name));
        EXPECT_EQ(picture.Width(), 40);
    }
}

TEST(JpegLoader, DamagedDataIsRefusedAndPictureKept)
{
    const QByteArray jpeg = readBytes(dataFile("baseline.jpg"));
    struct Row {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"empty", QByteArray()},
        {"not a JPEG", QByteArray("GIF89a but not really")},
        {"header only", jpeg.left(2)},
        {"SOF cut", jpeg.left(jpeg.indexOf("\xFF\xC0") + 6)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TBitmap picture = marker();
        QByteArray bytes = row.bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        try {
            LoadJpegFromStream(picture, buffer);
            ADD_FAILURE() << "no error";
        } catch (const EJpegError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("JPEG エラー #", 0), 0u) << e.what();
            EXPECT_EQ(std::string(e.what()), "JPEG エラー #" + std::to_string(e.Code()));
        }
        EXPECT_TRUE(samePixels(picture, marker()));
    }
}

TEST(JpegLoader, TruncatedScanStillGivesThePicture)
{
    const QByteArray jpeg = readBytes(dataFile("baseline.jpg"));
    const TBitmap picture = loadBytes("cut.jpg", jpeg.left(jpeg.size() - 200));
    EXPECT_EQ(picture.Width(), 40);
    EXPECT_EQ(picture.Height(), 30);
}

TEST(JpegLoader, AProgressionOfTooManyScansForItsSizeIsRefused)
{
    // 704 scans over 2560 x 2400 pixels: valid, but each scan walks every
    // coefficient of the picture, past the budget of scans times pixels.
    TBitmap picture = marker();
    try {
        LoadGraphicFromFile(picture, dataFile("many-scans.jpg"));
        ADD_FAILURE() << "decoded";
    } catch (const EJpegError& e) {
        EXPECT_EQ(e.Code(), JERR_BAD_PROGRESSION);
    }
    EXPECT_TRUE(samePixels(picture, marker()));
    // The same number of scans is fine on a small picture (cap: 1000 scans).
    EXPECT_EQ(loadBytes("p.jpg", readBytes(dataFile("progressive.jpg"))).Width(), 40);
}

TEST(JpegLoader, OversizedHeaderRefusedBeforeDecoding)
{
    const QByteArray jpeg = readBytes(dataFile("baseline.jpg"));
    struct Row {
        const char* name;
        int width, height;
    } rows[] = {{"too wide", 16385, 8}, {"too high", 8, 20000}, {"too many pixels", 9000, 9000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TBitmap picture = marker();
        EXPECT_THROW(picture = loadBytes("big.jpg", withJpegSize(jpeg, row.width, row.height)), EPictureSize);
        EXPECT_TRUE(samePixels(picture, marker()));
    }
    // Just inside the limits the header is accepted; the missing data is then
    // a plain decoding matter.
    EXPECT_NO_THROW(loadBytes("edge.jpg", withJpegSize(jpeg, 16384, 16)));
}

TEST(JpxLoader, UnmaskKeyFollowsTheLength)
{
    std::uint8_t zeros[3] = {0, 0, 0};
    UnmaskJpx(zeros, 3);
    // k starts at 0x3B and grows by n - i after each byte: +3, then +2.
    EXPECT_EQ(zeros[0], 0x3B);
    EXPECT_EQ(zeros[1], 0x3E);
    EXPECT_EQ(zeros[2], 0x40);

    QByteArray data(1000, 'x');
    const QByteArray original = data;
    UnmaskJpx(reinterpret_cast<std::uint8_t*>(data.data()), std::size_t(data.size()));
    EXPECT_NE(data, original);
    UnmaskJpx(reinterpret_cast<std::uint8_t*>(data.data()), std::size_t(data.size()));
    EXPECT_EQ(data, original);
}

TEST(JpxLoader, MaskedFileEqualsTheJpegItMasks)
{
    QTemporaryDir dir;
    for (const char* file : {"baseline.jpg", "progressive.jpg"}) {
        SCOPED_TRACE(file);
        QByteArray bytes = readBytes(dataFile(file));
        UnmaskJpx(reinterpret_cast<std::uint8_t*>(bytes.data()), std::size_t(bytes.size()));
        writeBytes(dir.filePath("masked.JPX"), bytes);
        TBitmap jpx, jpeg;
        LoadGraphicFromFile(jpx, dir.filePath("masked.JPX"));
        LoadGraphicFromFile(jpeg, dataFile(file));
        EXPECT_EQ(jpx.Width(), 40);
        EXPECT_TRUE(samePixels(jpx, jpeg));
    }
}

TEST(JpxLoader, AboveTenMillionBytesLoadsNothingSilently)
{
    TBitmap picture = marker();
    EXPECT_NO_THROW(picture = loadBytes("huge.jpx", QByteArray(kMaxJpxBytes + 1, '\0')));
    EXPECT_TRUE(picture.Empty()); // loadBytes starts from an empty picture
    TBitmap kept = marker();
    QByteArray big(kMaxJpxBytes + 1, '\0');
    QBuffer buffer(&big);
    buffer.open(QIODevice::ReadOnly);
    LoadJpxFromStream(kept, buffer);
    EXPECT_TRUE(samePixels(kept, marker()));
    EXPECT_EQ(buffer.pos(), 0);
}

TEST(GraphicDispatch, UnknownExtensionReadsNothingAndKeepsPicture)
{
    for (const char* name : {"notes.txt", "noextension", "folder.jpg/file", "x.jpg.gif", ".hidden"}) {
        SCOPED_TRACE(name);
        QByteArray bytes = readBytes(dataFile("baseline.jpg"));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        TBitmap picture = marker();
        LoadGraphicFromStream(picture, QString::fromLatin1(name), buffer);
        EXPECT_TRUE(samePixels(picture, marker()));
        EXPECT_EQ(buffer.pos(), 0);
    }
}

TEST(GraphicDispatch, ExtensionOfTheFileNamePart)
{
    EXPECT_EQ(PictureExtension("a/b.c/Face.PNG"), ".png");
    EXPECT_EQ(PictureExtension("a/b.c/Face"), "");
    EXPECT_EQ(PictureExtension("face."), ".");
    EXPECT_EQ(PictureExtension("x.tar.JPEG"), ".jpeg");
}

TEST(GraphicDispatch, MissingFileAndResourceRaiseTheirMessages)
{
    TBitmap picture = marker();
    try {
        LoadGraphicFromFile(picture, "/nonexistent/pic.png");
        ADD_FAILURE() << "no error";
    } catch (const EFileOpenError& e) {
        EXPECT_NE(std::string(e.what()).find("\"/nonexistent/pic.png\""), std::string::npos) << e.what();
    }
    EXPECT_TRUE(samePixels(picture, marker()));
    try {
        LoadGraphicFromResource(picture, "nosuchpicture.png");
        ADD_FAILURE() << "no error";
    } catch (const EResourceNotFound& e) {
        EXPECT_NE(std::string(e.what()).find("NOSUCHPICTURE"), std::string::npos) << e.what();
    }
}
