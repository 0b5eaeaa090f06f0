#include "resources.h"

#include <QApplication>
#include <QBitmap>
#include <QFontMetrics>

namespace {
const ResourceTable* g_table = nullptr;
const ResourceTable g_empty;
} // namespace

void AfxSetResources(const ResourceTable* table)
{
    g_table = table;
}

const ResourceTable& AfxResources()
{
    return g_table ? *g_table : g_empty;
}

std::string LoadString(UINT id)
{
    const auto& s = AfxResources().strings;
    const auto it = s.find(id);
    return it == s.end() ? std::string() : it->second;
}

std::string CommandPrompt(UINT id)
{
    const std::string s = LoadString(id);
    return s.substr(0, s.find('\n'));
}

std::string CommandTip(UINT id)
{
    const std::string s = LoadString(id);
    const std::size_t nl = s.find('\n');
    return nl == std::string::npos ? s : s.substr(nl + 1);
}

const DialogTemplate* FindDialogTemplate(UINT id)
{
    const auto& d = AfxResources().dialogs;
    const auto it = d.find(id);
    return it == d.end() ? nullptr : &it->second;
}

QPixmap LoadPicture(UINT id)
{
    const auto& p = AfxResources().pictures;
    const auto it = p.find(id);
    return it == p.end() ? QPixmap() : QPixmap(QString::fromStdString(it->second));
}

QPixmap StripImage(const QPixmap& strip, int index, QSize size, const QColor& mask)
{
    QPixmap image = strip.copy(index * size.width(), 0, size.width(), size.height());
    image.setMask(image.createMaskFromColor(mask, Qt::MaskInColor));
    return image;
}

QPoint DialogUnitsToPixels(int x, int y)
{
    // Templates were drawn for a Japanese UI font whose full-width character
    // is 8 x 8 dialog units; scale by the width of one in the font in use.
    static const int em = [] {
        const int w = QFontMetrics(QApplication::font()).horizontalAdvance(QString::fromUtf8("あ"));
        return w > 0 ? w : 12;
    }();
    return QPoint(x * em / 8, y * em / 8);
}
