#include "platform/Picture.h"

#include <QtGlobal>

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <new>

// jpeglib.h first: its configuration decides which messages jerror.h names.
#include <jpeglib.h>

#include <jerror.h>

// libjpeg reports fatal errors through a callback that must not return; the
// decoder and encoder below leave libjpeg with longjmp back to the function
// that set it up. Those functions create every C++ object that lives across
// libjpeg calls before setjmp, so the jump skips no destructor, and they free
// libjpeg's state on both paths.

namespace platform {

namespace {

// Qt's RGB32 is 0xffRRGGBB in native byte order.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_XRGB;
#endif

// libjpeg's own buffers, mainly the whole-picture coefficients of a
// progressive JPEG.
constexpr long kMaxCodecMemory = 1L << 30;

// A progressive JPEG comes in scans that each refine part of the picture, and
// decoding a scan costs as much as its part of the picture, however few bytes
// it takes: a small file can repeat a scan for minutes. Encoders write about
// ten scans that together go over each block of the picture five or six
// times; anything far beyond that is refused, as libjpeg-turbo's own tools
// refuse it through the progress monitor.
constexpr int kMaxScans = 100;
constexpr qint64 kMaxPassesOverPicture = 16;

enum class Abort { None, TooManyScans };

struct ErrorManager
{
    jpeg_error_mgr base; // first: libjpeg only sees this part
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    Abort abort;
};

// Counts the work the scans ask for as they arrive.
struct ScanMonitor
{
    jpeg_progress_mgr base; // first: libjpeg only sees this part
    int scan;
    qint64 blocks;
    qint64 blockBudget;
};

[[noreturn]] void jumpOut(j_common_ptr codec)
{
    auto* errors = reinterpret_cast<ErrorManager*>(codec->err);
    (*codec->err->format_message)(codec, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings that mean picture data is missing, garbled or out of order. libjpeg
// would carry on and make up the rest of the picture, at any cost in time;
// such a file is refused instead. Harmless warnings (stray bytes between
// markers, a damaged colour profile) are accepted.
bool isDamageWarning(int code)
{
    return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE
        || code == JWRN_ARITH_BAD_CODE || code == JWRN_MUST_RESYNC
        || code == JWRN_BOGUS_PROGRESSION;
}

void handleMessage(j_common_ptr codec, int level)
{
    if (level >= 0)
        return; // trace output
    if (isDamageWarning(codec->err->msg_code))
        jumpOut(codec);
    ++codec->err->num_warnings;
}

void setUpErrors(ErrorManager& errors, j_common_ptr codec)
{
    codec->err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpOut;
    errors.base.emit_message = handleMessage;
    errors.message[0] = '\0';
    errors.abort = Abort::None;
}

[[noreturn]] void abortDecoding(j_common_ptr codec, Abort why)
{
    auto* errors = reinterpret_cast<ErrorManager*>(codec->err);
    errors->abort = why;
    std::longjmp(errors->jump, 1);
}

qint64 blocksOf(const jpeg_component_info& component)
{
    return qint64(component.width_in_blocks) * component.height_in_blocks;
}

void monitorScans(j_common_ptr codec)
{
    const auto* decoder = reinterpret_cast<j_decompress_ptr>(codec);
    auto* monitor = reinterpret_cast<ScanMonitor*>(codec->progress);
    if (decoder->input_scan_number == monitor->scan)
        return;
    monitor->scan = decoder->input_scan_number;
    for (int i = 0; i < decoder->comps_in_scan; ++i)
        monitor->blocks += blocksOf(*decoder->cur_comp_info[i]);
    if (monitor->scan > kMaxScans || monitor->blocks > monitor->blockBudget)
        abortDecoding(codec, Abort::TooManyScans);
}

void setUpScanMonitor(ScanMonitor& monitor, j_decompress_ptr codec)
{
    qint64 pictureBlocks = 0;
    for (int i = 0; i < codec->num_components; ++i)
        pictureBlocks += blocksOf(codec->comp_info[i]);
    monitor.base = {};
    monitor.base.progress_monitor = monitorScans;
    monitor.scan = 0;
    monitor.blocks = 0;
    monitor.blockBudget = kMaxPassesOverPicture * pictureBlocks;
    codec->progress = &monitor.base;
}

QString reasonFor(const ErrorManager& errors)
{
    if (errors.abort == Abort::TooManyScans)
        return QStringLiteral("the JPEG file has far more scans than a picture needs");
    switch (errors.base.msg_code) {
    case JERR_NO_SOI:
    case JERR_INPUT_EMPTY:
        return QStringLiteral("it is not a JPEG file");
    case JWRN_JPEG_EOF:
        return QStringLiteral("the JPEG file is incomplete");
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
        return QStringLiteral("the JPEG data is damaged");
    case JERR_NO_BACKING_STORE:
    case JERR_OUT_OF_MEMORY:
        return QStringLiteral("the picture is too large to decode");
    default:
        return QStringLiteral("it is not a readable JPEG file (")
            + QString::fromLocal8Bit(errors.message) + u')';
    }
}

// Adobe applications write CMYK JPEGs with inverted values, and mark them so.
void convertCmykToRgb(QImage& image, bool inverted)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* pixel = reinterpret_cast<QRgb*>(image.scanLine(y));
        const uchar* cmyk = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x, cmyk += 4) {
            int c = cmyk[0], m = cmyk[1], yellow = cmyk[2], k = cmyk[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                yellow = 255 - yellow;
                k = 255 - k;
            }
            pixel[x] = qRgb(c * k / 255, m * k / 255, yellow * k / 255);
        }
    }
}

struct Decoded
{
    QImage image;
    QSize fullSize;
    QString failure;
};

// The orientation an EXIF block (APP1) gives the picture; 1 (as stored) when
// there is none.
int orientationOf(const jpeg_decompress_struct& codec)
{
    for (jpeg_saved_marker_ptr marker = codec.marker_list; marker; marker = marker->next) {
        if (marker->marker != JPEG_APP0 + 1)
            continue;
        const QByteArrayView payload(marker->data, qsizetype(marker->data_length));
        if (const int orientation = exifOrientation(payload))
            return orientation;
    }
    return 1;
}

QSize transposed(QSize size)
{
    return QSize(size.height(), size.width());
}

// scaleDenominator 0 picks it from neededSize once the header is read.
// neededSize and fullSize are as the picture is shown, after its orientation.
void decodeInto(const QByteArray& bytes, int scaleDenominator, QSize neededSize, Decoded& out)
{
    jpeg_decompress_struct codec;
    ErrorManager errors;
    ScanMonitor monitor;
    setUpErrors(errors, reinterpret_cast<j_common_ptr>(&codec));
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&codec);
        out.image = QImage();
        out.failure = reasonFor(errors);
        return;
    }
    jpeg_create_decompress(&codec);
    codec.mem->max_memory_to_use = kMaxCodecMemory;
    jpeg_mem_src(&codec, reinterpret_cast<const unsigned char*>(bytes.constData()),
        static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&codec, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&codec, TRUE);

    const QSize storedSize(int(codec.image_width), int(codec.image_height));
    const int orientation = orientationOf(codec);
    const bool turned = orientationSwapsSides(orientation);
    out.fullSize = turned ? transposed(storedSize) : storedSize;
    out.failure = pictureSizeProblem(storedSize);
    if (!out.failure.isEmpty()) {
        jpeg_destroy_decompress(&codec);
        return;
    }
    codec.scale_num = 1;
    codec.scale_denom = unsigned(scaleDenominator > 0
            ? scaleDenominator
            : jpegScaleDenominator(storedSize, turned ? transposed(neededSize) : neededSize));
    const bool cmyk = codec.jpeg_color_space == JCS_CMYK || codec.jpeg_color_space == JCS_YCCK;
    codec.out_color_space = cmyk ? JCS_CMYK : kRgb32Space;
    jpeg_calc_output_dimensions(&codec);
    setUpScanMonitor(monitor, &codec);

    out.image
        = QImage(QSize(int(codec.output_width), int(codec.output_height)), QImage::Format_RGB32);
    if (out.image.isNull()) {
        jpeg_destroy_decompress(&codec);
        out.failure = QStringLiteral("there is not enough memory to decode the picture");
        return;
    }
    jpeg_start_decompress(&codec);
    while (codec.output_scanline < codec.output_height) {
        JSAMPROW row = out.image.scanLine(int(codec.output_scanline));
        jpeg_read_scanlines(&codec, &row, 1);
    }
    const bool adobeInverted = codec.saw_Adobe_marker;
    // Every row is read; whatever follows the last one (the end marker,
    // trailing bytes) does not matter, so libjpeg is not asked to finish.
    jpeg_destroy_decompress(&codec);
    if (cmyk)
        convertCmykToRgb(out.image, adobeInverted);
    out.image = orientedImage(std::move(out.image), orientation);
}

// Collects libjpeg's output in a growing QByteArray.
struct ByteArrayDestination
{
    jpeg_destination_mgr base; // first: libjpeg only sees this part
    QByteArray* bytes;
};

constexpr qsizetype kFirstOutputSize = 64 * 1024;

void growOutput(j_compress_ptr codec)
{
    auto* destination = reinterpret_cast<ByteArrayDestination*>(codec->dest);
    const qsizetype used = destination->bytes->size();
    bool grown = true;
    try {
        destination->bytes->resize(used == 0 ? kFirstOutputSize : used * 2);
    } catch (const std::bad_alloc&) {
        grown = false; // leave the handler before leaving libjpeg
    }
    if (!grown)
        ERREXIT1(codec, JERR_OUT_OF_MEMORY, 0);
    destination->base.next_output_byte
        = reinterpret_cast<JOCTET*>(destination->bytes->data()) + used;
    destination->base.free_in_buffer = size_t(destination->bytes->size() - used);
}

void startOutput(j_compress_ptr codec)
{
    reinterpret_cast<ByteArrayDestination*>(codec->dest)->bytes->clear();
    growOutput(codec);
}

boolean emptyOutput(j_compress_ptr codec)
{
    growOutput(codec); // libjpeg calls this only when the whole buffer is full
    return TRUE;
}

void finishOutput(j_compress_ptr codec)
{
    auto* destination = reinterpret_cast<ByteArrayDestination*>(codec->dest);
    destination->bytes->resize(
        destination->bytes->size() - qsizetype(destination->base.free_in_buffer));
}

// rgb32 must be Format_RGB32.
void encodeInto(const QImage& rgb32, int quality, QByteArray& output, QString& failure)
{
    jpeg_compress_struct codec;
    ErrorManager errors;
    ByteArrayDestination destination {};
    destination.bytes = &output;
    destination.base.init_destination = startOutput;
    destination.base.empty_output_buffer = emptyOutput;
    destination.base.term_destination = finishOutput;
    setUpErrors(errors, reinterpret_cast<j_common_ptr>(&codec));
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&codec);
        output.clear();
        failure = errors.base.msg_code == JERR_IMAGE_TOO_BIG
            ? QStringLiteral("the picture is too large to be written as JPEG")
            : QStringLiteral("it cannot be written as JPEG (")
                + QString::fromLocal8Bit(errors.message) + u')';
        return;
    }
    jpeg_create_compress(&codec);
    codec.dest = &destination.base;
    codec.image_width = JDIMENSION(rgb32.width());
    codec.image_height = JDIMENSION(rgb32.height());
    codec.input_components = 4;
    codec.in_color_space = kRgb32Space;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, quality, TRUE);
    if (quality >= 90) {
        // Keep colour at full resolution: at high quality the usual halved
        // colour planes are the most visible loss (coloured edges, text).
        codec.comp_info[0].h_samp_factor = 1;
        codec.comp_info[0].v_samp_factor = 1;
    }
    jpeg_start_compress(&codec, TRUE);
    while (codec.next_scanline < codec.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb32.constScanLine(int(codec.next_scanline)));
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
}

Decoded decode(const QByteArray& bytes, int scaleDenominator, QSize neededSize)
{
    Decoded decoded;
    if (bytes.isEmpty())
        decoded.failure = QStringLiteral("it is not a JPEG file");
    else if (quint64(bytes.size()) > ULONG_MAX)
        decoded.failure = QStringLiteral("the file is too large");
    else
        decodeInto(bytes, scaleDenominator, neededSize, decoded);
    return decoded;
}

} // namespace

int jpegScaleDenominator(QSize fullSize, QSize neededSize)
{
    if (!neededSize.isValid() || neededSize.isEmpty())
        return 1;
    // libjpeg rounds a reduced size up.
    const auto covers = [&](int denominator) {
        return (fullSize.width() + denominator - 1) / denominator >= neededSize.width()
            && (fullSize.height() + denominator - 1) / denominator >= neededSize.height();
    };
    for (int denominator : { 8, 4, 2 }) {
        if (covers(denominator))
            return denominator;
    }
    return 1;
}

QImage decodeJpeg(const QByteArray& bytes, int scaleDenominator, QSize* fullSize)
{
    if (scaleDenominator != 1 && scaleDenominator != 2 && scaleDenominator != 4
        && scaleDenominator != 8)
        scaleDenominator = 1;
    Decoded decoded = decode(bytes, scaleDenominator, QSize());
    if (!decoded.failure.isEmpty())
        throw PictureError(decoded.failure);
    if (fullSize)
        *fullSize = decoded.fullSize;
    return decoded.image;
}

QByteArray encodeJpeg(const QImage& image, int quality)
{
    if (image.isNull())
        throw PictureError(QStringLiteral("there is no picture to write"));
    const QImage rgb32 = image.format() == QImage::Format_RGB32
        ? image
        : image.convertToFormat(QImage::Format_RGB32);
    if (rgb32.isNull())
        throw PictureError(QStringLiteral("the picture is too large to be written as JPEG"));
    QByteArray output;
    QString failure;
    encodeInto(rgb32, qBound(1, quality, 100), output, failure);
    if (!failure.isEmpty())
        throw PictureError(failure);
    return output;
}

QImage decodeJpeg(const QByteArray& bytes, QSize neededSize, QSize* fullSize)
{
    Decoded decoded = decode(bytes, 0, neededSize);
    if (!decoded.failure.isEmpty())
        throw PictureError(decoded.failure);
    if (fullSize)
        *fullSize = decoded.fullSize;
    return decoded.image;
}

} // namespace platform
