// Draws the program's icon and writes it as a Windows icon file with thirteen
// images (48, 32 and 16 pixels at 1, 4, 8 and 32 bits per pixel, and 128
// pixels at 32) plus one PNG per size for Linux desktops.
//   make_icon OUTPUT_FOLDER

#include <QColor>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <cstdio>
#include <vector>

namespace {

struct IconImage {
    int size;
    int bitsPerPixel;
};

// The order in which the images stand in the icon file.
constexpr std::array<IconImage, 13> kImages = {{
    {48, 1}, {32, 1}, {16, 1}, {48, 4}, {32, 4}, {16, 4},
    {48, 8}, {32, 8}, {16, 8}, {48, 32}, {32, 32}, {16, 32}, {128, 32},
}};

// A small colour LCD on a circuit board: a bezel, a screen of colour bars
// fading to white, and the pins that connect it to a microcontroller.
QImage Draw(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, size > 16);
    painter.scale(size / 32.0, size / 32.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1E, 0x6B, 0x3A));
    painter.drawRoundedRect(QRectF(1, 3, 30, 26), 3, 3);
    painter.setBrush(QColor(0xD8, 0xB0, 0x40));
    for (int pin = 0; pin < 6; ++pin)
        painter.drawRect(QRectF(5 + pin * 4, 25, 2, 4));
    painter.setBrush(QColor(0x20, 0x20, 0x28));
    painter.drawRect(QRectF(3, 5, 26, 19));
    const QColor bars[] = {Qt::red, Qt::yellow, Qt::green, Qt::cyan, Qt::blue, Qt::magenta};
    for (int bar = 0; bar < 6; ++bar) {
        QLinearGradient fade(0, 6, 0, 23);
        fade.setColorAt(0, Qt::white);
        fade.setColorAt(0.55, bars[bar]);
        fade.setColorAt(1, bars[bar].darker(160));
        painter.setBrush(fade);
        painter.drawRect(QRectF(4 + bar * 4, 6, 4, 17));
    }
    return image;
}

void PutLittleEndian(std::vector<unsigned char>& bytes, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// The classic 16-colour palette, or a 6x6x6 colour cube with 40 greys.
std::vector<QRgb> PaletteFor(int bitsPerPixel)
{
    if (bitsPerPixel == 1)
        return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    if (bitsPerPixel == 4)
        return {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    std::vector<QRgb> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back(qRgb(r * 51, g * 51, b * 51));
    for (int grey = 0; grey < 40; ++grey)
        palette.push_back(qRgb(grey * 255 / 39, grey * 255 / 39, grey * 255 / 39));
    return palette;
}

int Nearest(const std::vector<QRgb>& palette, QRgb colour)
{
    int best = 0;
    int bestDistance = INT32_MAX;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - qRed(colour), dg = qGreen(palette[i]) - qGreen(colour),
                  db = qBlue(palette[i]) - qBlue(colour);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

// Rows of an icon bitmap are stored bottom-up and padded to 32 bits.
void AppendRows(std::vector<unsigned char>& bytes, const QImage& image, int bitsPerPixel,
                const std::function<std::uint32_t(QRgb)>& valueOf)
{
    const int rowBytes = (image.width() * bitsPerPixel + 31) / 32 * 4;
    for (int y = image.height() - 1; y >= 0; --y) {
        std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes), 0);
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t value = valueOf(image.pixel(x, y));
            if (bitsPerPixel == 32) {
                for (int i = 0; i < 4; ++i)
                    row[static_cast<std::size_t>(x * 4 + i)] = static_cast<unsigned char>(value >> (8 * i));
                continue;
            }
            const int bit = x * bitsPerPixel;
            const int shift = 8 - bitsPerPixel - bit % 8;
            row[static_cast<std::size_t>(bit / 8)] |= static_cast<unsigned char>(value << shift);
        }
        bytes.insert(bytes.end(), row.begin(), row.end());
    }
}

std::vector<unsigned char> EncodeImage(const QImage& image, int bitsPerPixel)
{
    std::vector<unsigned char> bytes;
    const std::vector<QRgb> palette = bitsPerPixel == 32 ? std::vector<QRgb>{} : PaletteFor(bitsPerPixel);
    PutLittleEndian(bytes, 40, 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(image.width()), 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(image.height() * 2), 4);  // colour + mask
    PutLittleEndian(bytes, 1, 2);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(bitsPerPixel), 2);
    for (int field = 0; field < 6; ++field)
        PutLittleEndian(bytes, 0, 4);
    for (QRgb colour : palette)
        PutLittleEndian(bytes, colour & 0xFFFFFF, 4);
    const auto opaque = [](QRgb colour) { return qAlpha(colour) >= 128; };
    AppendRows(bytes, image, bitsPerPixel, [&](QRgb colour) -> std::uint32_t {
        if (bitsPerPixel == 32)
            return colour;
        return opaque(colour) ? static_cast<std::uint32_t>(Nearest(palette, colour)) : 0;
    });
    // The mask: set bits are transparent.
    AppendRows(bytes, image, 1, [&](QRgb colour) -> std::uint32_t { return opaque(colour) ? 0 : 1; });
    return bytes;
}

std::vector<unsigned char> EncodeIcon()
{
    std::vector<unsigned char> file;
    PutLittleEndian(file, 0, 2);
    PutLittleEndian(file, 1, 2);
    PutLittleEndian(file, kImages.size(), 2);
    std::vector<unsigned char> images;
    std::uint32_t offset = 6 + 16 * kImages.size();
    for (const IconImage& entry : kImages) {
        const std::vector<unsigned char> encoded = EncodeImage(Draw(entry.size), entry.bitsPerPixel);
        file.push_back(static_cast<unsigned char>(entry.size));
        file.push_back(static_cast<unsigned char>(entry.size));
        file.push_back(static_cast<unsigned char>(entry.bitsPerPixel < 8 ? 1 << entry.bitsPerPixel : 0));
        file.push_back(0);
        PutLittleEndian(file, 1, 2);
        PutLittleEndian(file, static_cast<std::uint32_t>(entry.bitsPerPixel), 2);
        PutLittleEndian(file, static_cast<std::uint32_t>(encoded.size()), 4);
        PutLittleEndian(file, offset, 4);
        offset += static_cast<std::uint32_t>(encoded.size());
        images.insert(images.end(), encoded.begin(), encoded.end());
    }
    file.insert(file.end(), images.begin(), images.end());
    return file;
}

bool WriteFile(const QString& path, const std::vector<unsigned char>& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: make_icon OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!WriteFile(folder + "/bmp2cdata.ico", EncodeIcon())) {
        std::fprintf(stderr, "make_icon: cannot write %s/bmp2cdata.ico\n", argv[1]);
        return 1;
    }
    for (int size : {16, 32, 48, 128}) {
        const QString png = folder + QString("/bmp2cdata-%1.png").arg(size);
        if (!Draw(size).save(png, "PNG")) {
            std::fprintf(stderr, "make_icon: cannot write %s\n", qPrintable(png));
            return 1;
        }
    }
    return 0;
}
