#include "ui/Resources.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <iterator>

// The resource file is compiled into a static library; its registration must be pulled in
// by name, and Q_INIT_RESOURCE only works outside a namespace.
static void RegisterZeltResources() {
    Q_INIT_RESOURCE(zelt);
}

namespace zelt {

namespace {

constexpr int kCursorSize = 32;
constexpr int kCursorHotSpot = 8;
constexpr int kLabelPixelSize = 11;
constexpr int kToolbarLabelTop = 28;
const QRectF kToolbarPicture(9.5, 1.0, 32.0, 26.0);

struct ToolbarEntry {
    int englishId;
    int chineseId;
    const char* picture;
    const char* englishLabel;  // under the picture on the English toolbar
    const char* chineseLabel;  // under the picture on the Chinese toolbar
};

// Both toolbars in button order. The language button names the language it switches to.
constexpr ToolbarEntry kToolbar[] = {
    {1017, 40036, "tb_open", "Open", "開啟"},
    {57604, 40037, "tb_save", "Save", "儲存"},
    {40017, 40038, "tb_link", "Link", "連結"},
    {40026, 40039, "tb_default", "Default", "預設"},
    {40012, 40040, "tb_get", "Get", "讀取"},
    {40013, 40041, "tb_set", "Set", "設定"},
    {1021, 40042, "tb_exit", "Exit", "結束"},
    {40014, 40044, "tb_about", "About", "關於"},
    {40027, 40043, "tb_language", "中文", "English"},
};

const ToolbarEntry* FindToolbarEntry(int commandId, bool* english) {
    for (const ToolbarEntry& entry : kToolbar) {
        if (entry.englishId == commandId || entry.chineseId == commandId) {
            *english = entry.englishId == commandId;
            return &entry;
        }
    }
    return nullptr;
}

void EnsureResources() {
    static const bool registered = [] {
        RegisterZeltResources();
        return true;
    }();
    (void)registered;
}

// Paints one of the hand-drawn pictures of res/images into target.
void PaintPicture(QPainter& painter, const char* name, const QRectF& target) {
    EnsureResources();
    QSvgRenderer renderer(QStringLiteral(":/images/%1.svg").arg(QLatin1String(name)));
    renderer.render(&painter, target);
}

QPixmap TransparentPixmap(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap Picture(const char* name, int size) {
    QPixmap pixmap = TransparentPixmap(size, size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintPicture(painter, name, QRectF(0, 0, size, size));
    return pixmap;
}

// The label font: the installed CJK face carries Latin letters as well, so both toolbars
// and both bitmap languages look alike.
QFont LabelFont(int pixelSize, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK TC"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QIcon IconOf(const char* name) {
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addPixmap(Picture(name, size));
    }
    return icon;
}

// Red cross and words on the grey-green ground of the schedule panel's Delete button.
QPixmap DeleteScheduleBitmap(const QString& words) {
    QPixmap pixmap(142, 17);
    pixmap.fill(QColor(0xB4, 0xC4, 0xAC));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintPicture(painter, "cross", QRectF(3, 1, 15, 15));
    painter.setFont(LabelFont(12, true));
    painter.setPen(Qt::black);
    painter.drawText(QRect(24, 0, 116, 17), Qt::AlignLeft | Qt::AlignVCenter, words);
    return pixmap;
}

// The charge counter's Reset button: the picture is the button's text.
QPixmap ResetBitmap(const QString& words) {
    QPixmap pixmap(60, 19);
    pixmap.fill(QColor(0xE4, 0xE2, 0xDC));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(QRectF(0.5, 0.5, 59, 18));
    painter.setFont(LabelFont(12, true));
    painter.setPen(QColor(0x10, 0x30, 0x80));
    painter.drawText(QRect(0, 0, 60, 19), Qt::AlignCenter, words);
    return pixmap;
}

}  // namespace

QIcon AppIcon(int id) {
    switch (id) {
        case IDR_MAINFRAME:
            return IconOf("icon_app");
        case IDI_BATTERY_FAIL:
            return IconOf("icon_battery_fail");
        case IDI_SEEK_DIM:
            return IconOf("icon_seek_dim");
        case IDI_SEEK_BRIGHT:
            return IconOf("icon_seek_bright");
        default:
            return {};
    }
}

QPixmap ResourceBitmap(int id) {
    switch (id) {
        case IDB_DELETE_SCHEDULE_EN:
            return DeleteScheduleBitmap(QStringLiteral("Delete Schedule"));
        case IDB_DELETE_SCHEDULE_CH:
            return DeleteScheduleBitmap(QStringLiteral("刪除排程"));
        case IDB_RESET_EN:
            return ResetBitmap(QStringLiteral("Reset"));
        case IDB_RESET_CH:
            return ResetBitmap(QStringLiteral("歸零"));
        default:
            return {};
    }
}

QCursor ResizeCursor() {
    QPixmap pixmap = TransparentPixmap(kCursorSize, kCursorSize);
    QPainter painter(&pixmap);
    PaintPicture(painter, "cursor_resize", QRectF(0, 0, kCursorSize, kCursorSize));
    painter.end();
    return QCursor(pixmap, kCursorHotSpot, kCursorHotSpot);
}

QString ToolbarLabel(int commandId) {
    bool english = true;
    const ToolbarEntry* entry = FindToolbarEntry(commandId, &english);
    if (entry == nullptr) {
        return {};
    }
    return QString::fromUtf8(english ? entry->englishLabel : entry->chineseLabel);
}

QIcon ToolbarIcon(int commandId) {
    bool english = true;
    const ToolbarEntry* entry = FindToolbarEntry(commandId, &english);
    if (entry == nullptr) {
        return {};
    }
    QPixmap pixmap = TransparentPixmap(kToolbarImageWidth, kToolbarImageHeight);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PaintPicture(painter, entry->picture, kToolbarPicture);
    painter.setFont(LabelFont(kLabelPixelSize));
    painter.setPen(Qt::black);
    painter.drawText(
        QRect(0, kToolbarLabelTop, kToolbarImageWidth, kToolbarImageHeight - kToolbarLabelTop),
        Qt::AlignHCenter | Qt::AlignVCenter, ToolbarLabel(commandId));
    painter.end();
    return QIcon(pixmap);
}

}  // namespace zelt
