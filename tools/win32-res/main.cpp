// zelt-win32-res OUTDIR: the Win32 window's pictures as resource files (.ico, .cur, .bmp),
// drawn by the same code that draws the Qt window's (src/ui/Resources.cpp), so both windows
// show one set of pictures. The Windows build runs it and compiles the files into the .exe.

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "models/ToolbarCommands.h"
#include "ui/Resources.h"

namespace {

class ByteWriter {
  public:
    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    std::vector<uint8_t> bytes;
};

// A 32-bit top-down-free (bottom-up) DIB of image: the header, then BGRA rows. With
// iconMask the height is doubled and an AND mask follows, as icon and cursor entries want.
void WriteDib(ByteWriter& out, const QImage& source, bool iconMask) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    out.U32(40);
    out.U32(static_cast<uint32_t>(w));
    out.U32(static_cast<uint32_t>(iconMask ? 2 * h : h));
    out.U16(1);
    out.U16(32);
    out.U32(0);  // BI_RGB
    out.U32(0);
    out.U32(0);
    out.U32(0);
    out.U32(0);
    out.U32(0);
    for (int y = h - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.U8(static_cast<uint8_t>(qBlue(row[x])));
            out.U8(static_cast<uint8_t>(qGreen(row[x])));
            out.U8(static_cast<uint8_t>(qRed(row[x])));
            out.U8(static_cast<uint8_t>(qAlpha(row[x])));
        }
    }
    if (iconMask) {  // rows of 1-bit, padded to 32 bits; transparent where alpha is 0
        const int stride = ((w + 31) / 32) * 4;
        for (int y = h - 1; y >= 0; --y) {
            std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
            for (int x = 0; x < w; ++x) {
                if (qAlpha(image.pixel(x, y)) == 0) {
                    row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
                }
            }
            out.bytes.insert(out.bytes.end(), row.begin(), row.end());
        }
    }
}

bool Save(const QString& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path.toStdString(), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        std::fprintf(stderr, "zelt-win32-res: cannot write %s\n", path.toLocal8Bit().constData());
        return false;
    }
    return true;
}

// An .ico (type 1) or, with a hot spot, a .cur (type 2) holding the given images.
bool SaveIconFile(const QString& path, const std::vector<QImage>& images, const QPoint* hotSpot) {
    std::vector<ByteWriter> dibs(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        WriteDib(dibs[i], images[i], true);
    }
    ByteWriter out;
    out.U16(0);
    out.U16(hotSpot != nullptr ? 2 : 1);
    out.U16(static_cast<uint16_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.U8(static_cast<uint8_t>(images[i].width() % 256));
        out.U8(static_cast<uint8_t>(images[i].height() % 256));
        out.U8(0);
        out.U8(0);
        out.U16(hotSpot != nullptr ? static_cast<uint16_t>(hotSpot->x()) : 1);
        out.U16(hotSpot != nullptr ? static_cast<uint16_t>(hotSpot->y()) : 32);
        out.U32(static_cast<uint32_t>(dibs[i].bytes.size()));
        out.U32(offset);
        offset += static_cast<uint32_t>(dibs[i].bytes.size());
    }
    for (const ByteWriter& dib : dibs) {
        out.bytes.insert(out.bytes.end(), dib.bytes.begin(), dib.bytes.end());
    }
    return Save(path, out.bytes);
}

// A .bmp file: the file header, then the DIB (32 bits with alpha).
bool SaveBitmapFile(const QString& path, const QImage& image) {
    ByteWriter dib;
    WriteDib(dib, image, false);
    ByteWriter out;
    out.U8('B');
    out.U8('M');
    out.U32(static_cast<uint32_t>(14 + dib.bytes.size()));
    out.U32(0);
    out.U32(14 + 40);
    out.bytes.insert(out.bytes.end(), dib.bytes.begin(), dib.bytes.end());
    return Save(path, out.bytes);
}

// One toolbar's buttons side by side, in toolbar order: the strip an image list is cut from.
QImage ToolbarStrip(bool english) {
    const auto buttons = zelt::ToolbarButtons();
    QImage strip(zelt::kToolbarImageWidth * static_cast<int>(buttons.size()),
                 zelt::kToolbarImageHeight, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    int x = 0;
    for (const zelt::ToolbarButton& button : buttons) {
        const int id = english ? button.englishId : button.chineseId;
        painter.drawPixmap(
            x, 0,
            zelt::ToolbarIcon(id).pixmap(zelt::kToolbarImageWidth, zelt::kToolbarImageHeight));
        x += zelt::kToolbarImageWidth;
    }
    return strip;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zelt-win32-res OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    bool ok = true;
    for (const int id :
         {zelt::IDR_MAINFRAME, zelt::IDI_BATTERY_FAIL, zelt::IDI_SEEK_DIM, zelt::IDI_SEEK_BRIGHT}) {
        std::vector<QImage> sizes;
        for (const int size : {16, 32, 48}) {
            sizes.push_back(zelt::AppIcon(id).pixmap(size, size).toImage());
        }
        ok &= SaveIconFile(out.filePath(QStringLiteral("icon%1.ico").arg(id)), sizes, nullptr);
    }
    for (const int id : {zelt::IDB_DELETE_SCHEDULE_EN, zelt::IDB_DELETE_SCHEDULE_CH,
                         zelt::IDB_RESET_EN, zelt::IDB_RESET_CH}) {
        ok &= SaveBitmapFile(out.filePath(QStringLiteral("bitmap%1.bmp").arg(id)),
                             zelt::ResourceBitmap(id).toImage());
    }
    const QCursor cursor = zelt::ResizeCursor();
    const QPoint hotSpot = cursor.hotSpot();
    ok &= SaveIconFile(out.filePath(QStringLiteral("cursor109.cur")), {cursor.pixmap().toImage()},
                       &hotSpot);
    ok &= SaveBitmapFile(out.filePath(QStringLiteral("toolbar_en.bmp")), ToolbarStrip(true));
    ok &= SaveBitmapFile(out.filePath(QStringLiteral("toolbar_zh.bmp")), ToolbarStrip(false));
    return ok ? 0 : 1;
}
