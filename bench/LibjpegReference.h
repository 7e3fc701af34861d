#pragma once

// The yardstick the picture benchmarks compare against: libjpeg on its own,
// reading the whole file into memory and decoding it at 1/scaleDenominator.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

inline std::vector<unsigned char> decodeWithLibjpeg(const QString& path, unsigned scaleDenominator)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    const QByteArray bytes = file.readAll();
    jpeg_decompress_struct codec {};
    jpeg_error_mgr errors {};
    codec.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&codec);
    jpeg_mem_src(&codec, reinterpret_cast<const unsigned char*>(bytes.constData()),
        static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&codec, TRUE);
    codec.scale_num = 1;
    codec.scale_denom = scaleDenominator;
    codec.out_color_space = JCS_RGB;
    jpeg_start_decompress(&codec);
    const std::size_t rowSize = std::size_t(codec.output_width) * 3;
    std::vector<unsigned char> pixels(rowSize * codec.output_height);
    while (codec.output_scanline < codec.output_height) {
        JSAMPROW row = pixels.data() + rowSize * codec.output_scanline;
        jpeg_read_scanlines(&codec, &row, 1);
    }
    jpeg_finish_decompress(&codec);
    jpeg_destroy_decompress(&codec);
    return pixels;
}
