#pragma once

// What the benchmarks share: the 24-megapixel photo they work on and the
// median of repeated timings.

#include <QElapsedTimer>
#include <QFile>
#include <QSize>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <jpeglib.h>

constexpr QSize kBenchPhotoSize(6000, 4000);

// A photo-like picture, smooth gradients with some noise, computed one row at
// a time straight into the encoder.
inline void writeBenchPhoto(const QString& path)
{
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        qFatal("cannot write %s", qPrintable(path));
    jpeg_compress_struct compressor {};
    jpeg_error_mgr errors {};
    compressor.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compressor);
    jpeg_stdio_dest(&compressor, file);
    compressor.image_width = kBenchPhotoSize.width();
    compressor.image_height = kBenchPhotoSize.height();
    compressor.input_components = 3;
    compressor.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, 90, TRUE);
    jpeg_start_compress(&compressor, TRUE);
    std::vector<JSAMPLE> row(kBenchPhotoSize.width() * 3);
    unsigned noise = 2002;
    while (compressor.next_scanline < compressor.image_height) {
        const int y = int(compressor.next_scanline);
        for (int x = 0; x < kBenchPhotoSize.width(); ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = int((noise >> 16) % 21) - 10;
            row[3 * x] = JSAMPLE(std::clamp(x * 255 / kBenchPhotoSize.width() + grain, 0, 255));
            row[3 * x + 1]
                = JSAMPLE(std::clamp(y * 255 / kBenchPhotoSize.height() + grain, 0, 255));
            row[3 * x + 2] = JSAMPLE(std::clamp((x + y) / 40 % 256 + grain, 0, 255));
        }
        JSAMPROW rows[] = { row.data() };
        jpeg_write_scanlines(&compressor, rows, 1);
    }
    jpeg_finish_compress(&compressor);
    jpeg_destroy_compress(&compressor);
    std::fclose(file);
}

// With work before each run that is not timed.
inline double medianMs(int runs, const std::function<void()>& prepare, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline double medianMs(int runs, const std::function<void()>& step)
{
    return medianMs(runs, [] {}, step);
}
