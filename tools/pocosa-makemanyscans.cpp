// Writes the test picture tests/data/loaders/many-scans.jpg: a grey
// 2560 x 2400 progressive JPEG of one flat colour in 704 scans, every
// coefficient refined bit by bit in a scan of its own. Valid, small, and
// slow to decode: each scan walks the whole coefficient buffer.
// Usage: pocosa-makemanyscans OUT.jpg
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: pocosa-makemanyscans OUT.jpg\n", stderr);
        return 2;
    }
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    jpeg_compress_struct ci{};
    jpeg_error_mgr err{};
    ci.err = jpeg_std_error(&err);
    jpeg_create_compress(&ci);
    jpeg_stdio_dest(&ci, out);
    ci.image_width = 2560;
    ci.image_height = 2400;
    ci.input_components = 1;
    ci.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&ci);
    // The deepest successive approximation the library allows, for the DC
    // and each of the 63 AC coefficients alone: 64 x 11 scans.
    constexpr int kDeepest = 10;
    std::vector<jpeg_scan_info> scans;
    for (int coefficient = 0; coefficient < 64; ++coefficient)
        for (int bit = kDeepest; bit >= 0; --bit) {
            jpeg_scan_info scan{};
            scan.comps_in_scan = 1;
            scan.Ss = coefficient;
            scan.Se = coefficient;
            scan.Ah = bit == kDeepest ? 0 : bit + 1;
            scan.Al = bit;
            scans.push_back(scan);
        }
    ci.scan_info = scans.data();
    ci.num_scans = int(scans.size());
    jpeg_start_compress(&ci, TRUE);
    std::vector<JSAMPLE> row(ci.image_width, 128);
    JSAMPROW rows[] = {row.data()};
    while (ci.next_scanline < ci.image_height)
        jpeg_write_scanlines(&ci, rows, 1);
    jpeg_finish_compress(&ci);
    jpeg_destroy_compress(&ci);
    return std::fclose(out) == 0 ? 0 : 1;
}
