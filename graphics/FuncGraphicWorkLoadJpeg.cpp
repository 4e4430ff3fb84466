// JPEG decoding on libjpeg.
//
// libjpeg reports a fatal error by calling error_exit, which must not return.
// Ours longjmps back into decodeGuarded(), the only function that calls into
// the library. Nothing with a destructor lives in that frame or in the
// callbacks a longjmp can cross, so no destructor is ever skipped; everything
// that owns memory (the job, the picture, a pending exception) lives in the
// caller's frame, which a longjmp never leaves. libjpeg's own memory is
// released by jpeg_destroy_decompress in every case.

#include "FuncGraphicWorkLoad.h"

#include <QCoreApplication>
#include <QIODevice>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <utility>

#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr std::size_t kInputChunk = 64 * 1024;
// A progressive file may hold any number of scans, each a pass over the
// whole coefficient buffer; real encoders write about ten. Besides a cap on
// their number, the scans times the pixels are held to a budget that lets a
// picture of the largest allowed size have 64 scans: a file of a few hundred
// bytes could otherwise keep the program busy for seconds.
constexpr int kMaxScans = 1000;
constexpr std::uint64_t kMaxScanPixels = std::uint64_t(1) << 32;

enum class Outcome { Decoded, LibraryError, SizeRefused, CallbackFailed };

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

struct JpegJob {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_source_mgr src{};
    jpeg_progress_mgr progress{};
    QIODevice* stream = nullptr;
    TBitmap* out = nullptr;
    JOCTET buffer[kInputChunk];
    std::exception_ptr pending; // thrown by the stream or the allocation
};

JpegJob& jobOf(j_decompress_ptr cinfo)
{
    return *static_cast<JpegJob*>(cinfo->client_data);
}

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void outputMessage(j_common_ptr) {}

void progressMonitor(j_common_ptr cinfo)
{
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    const auto scans = std::uint64_t(std::max(d->input_scan_number, 0));
    if (scans > kMaxScans || scans * d->image_width * d->image_height > kMaxScanPixels)
        ERREXIT(cinfo, JERR_BAD_PROGRESSION);
}

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

// Returns the number of bytes read, or -1 after storing the stream's exception.
long readChunk(JpegJob& job) noexcept
{
    try {
        const qint64 n = job.stream->read(reinterpret_cast<char*>(job.buffer), qint64(kInputChunk));
        return n < 0 ? 0 : long(n);
    } catch (...) {
        job.pending = std::current_exception();
        return -1;
    }
}

boolean fillInput(j_decompress_ptr cinfo)
{
    JpegJob& job = jobOf(cinfo);
    const long n = readChunk(job);
    if (n < 0)
        ERREXIT(cinfo, JERR_FILE_READ);
    job.src.next_input_byte = job.buffer;
    if (n == 0) {
        // Truncated data: end it with an EOI marker so that what arrived
        // still decodes, as libjpeg's own sources do.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        job.buffer[0] = 0xFF;
        job.buffer[1] = JPEG_EOI;
        job.src.bytes_in_buffer = 2;
    } else {
        job.src.bytes_in_buffer = std::size_t(n);
    }
    return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr& src = jobOf(cinfo).src;
    while (count > long(src.bytes_in_buffer)) {
        count -= long(src.bytes_in_buffer);
        fillInput(cinfo);
    }
    src.next_input_byte += count;
    src.bytes_in_buffer -= std::size_t(count);
}

bool allocatePicture(JpegJob& job) noexcept
{
    try {
        job.out->SetPixelFormat(pf24bit);
        job.out->SetSize(int(job.cinfo.output_width), int(job.cinfo.output_height));
        return true;
    } catch (...) {
        job.pending = std::current_exception();
        return false;
    }
}

// One CMYK row to blue-green-red. Adobe writers store the inks inverted
// (0 = full ink), which is what nearly every CMYK JPEG carries.
void cmykRowToBgr(const JSAMPLE* cmyk, std::uint8_t* bgr, unsigned width, bool inverted)
{
    for (unsigned x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = std::uint8_t((y * k + 127) / 255);
        bgr[1] = std::uint8_t((m * k + 127) / 255);
        bgr[2] = std::uint8_t((c * k + 127) / 255);
    }
}

void readRows(JpegJob& job)
{
    jpeg_decompress_struct& ci = job.cinfo;
    if (ci.out_color_space == JCS_CMYK) {
        JSAMPARRAY row = (*ci.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&ci), JPOOL_IMAGE,
                                                 ci.output_width * 4, 1);
        while (ci.output_scanline < ci.output_height) {
            const JDIMENSION y = ci.output_scanline;
            jpeg_read_scanlines(&ci, row, 1);
            cmykRowToBgr(row[0], job.out->ScanLine(int(y)), ci.output_width, ci.saw_Adobe_marker);
        }
    } else {
        while (ci.output_scanline < ci.output_height) {
            JSAMPROW row = job.out->ScanLine(int(ci.output_scanline));
            jpeg_read_scanlines(&ci, &row, 1);
        }
    }
}

// Every libjpeg call happens here. Plain data only: see the top of the file.
Outcome decodeGuarded(JpegJob& job)
{
    if (setjmp(job.err.jump))
        return job.pending ? Outcome::CallbackFailed : Outcome::LibraryError;
    jpeg_create_decompress(&job.cinfo);
    job.cinfo.src = &job.src;
    job.cinfo.progress = &job.progress;
    jpeg_read_header(&job.cinfo, TRUE);
    if (!PictureSizeAllowed(job.cinfo.image_width, job.cinfo.image_height))
        return Outcome::SizeRefused;
    const J_COLOR_SPACE in = job.cinfo.jpeg_color_space;
    job.cinfo.out_color_space = (in == JCS_CMYK || in == JCS_YCCK) ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&job.cinfo);
    if (!allocatePicture(job))
        return Outcome::CallbackFailed;
    readRows(job);
    jpeg_finish_decompress(&job.cinfo);
    return Outcome::Decoded;
}

} // namespace

EJpegError::EJpegError(int code)
    : std::runtime_error(QCoreApplication::translate("TJpegLoader", "JPEG エラー #%1").arg(code).toStdString()),
      code_(code)
{
}

void LoadJpegFromStream(TBitmap& Picture, QIODevice& Stream)
{
    TBitmap decoded;
    auto job = std::make_unique<JpegJob>(); // the input buffer is too big for the stack
    job->stream = &Stream;
    job->out = &decoded;
    job->cinfo.client_data = job.get(); // kept by jpeg_create_decompress
    job->cinfo.err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = errorExit;
    job->err.pub.output_message = outputMessage;
    job->src.init_source = initSource;
    job->src.fill_input_buffer = fillInput;
    job->src.skip_input_data = skipInput;
    job->src.resync_to_restart = jpeg_resync_to_restart;
    job->src.term_source = termSource;
    job->progress.progress_monitor = progressMonitor;

    const Outcome outcome = decodeGuarded(*job);
    const int code = job->err.pub.msg_code;
    const auto width = job->cinfo.image_width;
    const auto height = job->cinfo.image_height;
    jpeg_destroy_decompress(&job->cinfo);

    switch (outcome) {
    case Outcome::Decoded:
        decoded.SetPixelFormat(pf24bit);
        Picture = std::move(decoded);
        return;
    case Outcome::SizeRefused:
        throw EPictureSize(width, height);
    case Outcome::CallbackFailed:
        std::rethrow_exception(job->pending);
    case Outcome::LibraryError:
        break;
    }
    throw EJpegError(code);
}
