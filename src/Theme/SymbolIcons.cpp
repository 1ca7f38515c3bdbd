#include "Theme/SymbolIcons.h"

#include "Model/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QSet>
#include <QSvgRenderer>

#include <memory>

namespace vsp::symbols {

namespace {

struct Mapping {
    QStringView symbol;
    QStringView icon;
};

// Symbol names used by the journal and the nearest icon of the set. Names ending in ".fill" that are
// not listed fall back to their base name's icon with "-fill".
constexpr Mapping kMappings[] = {
    {u"archivebox", u"archive"},
    {u"arrow.down", u"arrow-down"},
    {u"arrow.up", u"arrow-up"},
    {u"arrow.down.circle", u"arrow-down-circle"},
    {u"arrow.down.right.and.arrow.up.left", u"arrows-angle-contract"},
    {u"arrow.up.left.and.arrow.down.right", u"arrows-angle-expand"},
    {u"battery.75", u"battery-half"},
    {u"bell", u"bell"},
    {u"bell.slash", u"bell-slash"},
    {u"bold", u"type-bold"},
    {u"italic", u"type-italic"},
    {u"underline", u"type-underline"},
    {u"strikethrough", u"type-strikethrough"},
    {u"bolt", u"lightning-charge"},
    {u"book", u"book"},
    {u"book.closed", u"journal-bookmark"},
    {u"calendar", u"calendar3"},
    {u"calendar.day.timeline.left", u"calendar-day"},
    {u"checklist", u"list-check"},
    {u"checkmark", u"check2"},
    {u"checkmark.circle", u"check-circle"},
    {u"checkmark.icloud", u"cloud-check"},
    {u"chevron.up", u"chevron-up"},
    {u"chevron.down", u"chevron-down"},
    {u"chevron.left", u"chevron-left"},
    {u"chevron.right", u"chevron-right"},
    {u"circle", u"circle"},
    {u"clock.arrow.circlepath", u"clock-history"},
    {u"cloud", u"cloud"},
    {u"cloud.bolt", u"cloud-lightning"},
    {u"cloud.bolt.rain", u"cloud-lightning-rain"},
    {u"cloud.drizzle", u"cloud-drizzle"},
    {u"cloud.fog", u"cloud-fog2"},
    {u"cloud.heavyrain", u"cloud-rain-heavy"},
    {u"cloud.rain", u"cloud-rain"},
    {u"cloud.sleet", u"cloud-sleet"},
    {u"cloud.snow", u"cloud-snow"},
    {u"cloud.sun", u"cloud-sun"},
    {u"decrease.indent", u"text-indent-right"},
    {u"increase.indent", u"text-indent-left"},
    {u"doc.on.clipboard", u"clipboard"},
    {u"doc.on.doc", u"files"},
    {u"doc.text", u"file-text"},
    {u"ellipsis", u"three-dots"},
    {u"exclamationmark.triangle", u"exclamation-triangle"},
    {u"externaldrive", u"device-hdd"},
    {u"face.smiling", u"emoji-smile"},
    {u"gearshape", u"gear"},
    {u"hand.point.up.left", u"hand-index-thumb"},
    {u"highlighter", u"pen"},
    {u"info.circle", u"info-circle"},
    {u"keyboard", u"keyboard"},
    {u"list.bullet", u"list-ul"},
    {u"list.number", u"list-ol"},
    {u"lock", u"lock"},
    {u"lock.open", u"unlock"},
    {u"lock.laptopcomputer", u"laptop"},
    {u"magnifyingglass", u"search"},
    {u"mappin.and.ellipse", u"geo-alt"},
    {u"menubar.arrow.down.rectangle", u"window-dock"},
    {u"mic", u"mic"},
    {u"minus.circle", u"dash-circle"},
    {u"moon", u"moon"},
    {u"number", u"hash"},
    {u"paintbrush", u"brush"},
    {u"paintbrush.pointed", u"brush"},
    {u"paintpalette", u"palette"},
    {u"pause", u"pause"},
    {u"play", u"play"},
    {u"photo", u"image"},
    {u"photo.on.rectangle.angled", u"images"},
    {u"pin", u"pin"},
    {u"pin.slash", u"pin-angle"},
    {u"plus", u"plus-lg"},
    {u"plus.circle", u"plus-circle"},
    {u"quote", u"quote"},
    {u"text.quote", u"quote"},
    {u"return", u"arrow-return-left"},
    {u"sidebar.left", u"layout-sidebar"},
    {u"sparkles", u"stars"},
    {u"square.and.arrow.up", u"upload"},
    {u"square.and.pencil", u"pencil-square"},
    {u"square.stack.3d.up", u"stack"},
    {u"star", u"star"},
    {u"star.slash", u"star-half"},
    {u"sun.max", u"sun"},
    {u"tag", u"tag"},
    {u"text.alignleft", u"text-left"},
    {u"textformat", u"type-bold"},
    {u"textformat.size", u"fonts"},
    {u"touchid", u"fingerprint"},
    {u"trash", u"trash"},
    {u"trash.slash", u"trash3"},
    {u"tray.and.arrow.up", u"box-arrow-up"},
    {u"wand.and.stars", u"magic"},
    {u"waveform", u"soundwave"},
    {u"wifi", u"wifi"},
    {u"xmark", u"x-lg"},
    {u"xmark.circle", u"x-circle"},
};

const QHash<QString, QString>& mappingTable()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        for (const Mapping& m : kMappings) {
            t.insert(m.symbol.toString(), m.icon.toString());
        }
        return t;
    }();
    return table;
}

bool iconExists(const QString& name)
{
    static QHash<QString, bool> known;
    const QString path = iconFolder() + u'/' + name + QStringLiteral(".svg");
    auto it = known.constFind(path);
    if (it != known.constEnd()) {
        return *it;
    }
    const bool exists = QFileInfo::exists(path);
    known.insert(path, exists);
    return exists;
}

/// Whether the symbol is one the application draws with (listed in the table, itself or by its base
/// name), so that its not loading is a fault of the installation rather than an unknown stored name.
bool isOwnSymbol(QStringView symbol)
{
    const QString name = symbol.toString();
    return mappingTable().contains(name)
           || (name.endsWith(QLatin1String(".fill")) && mappingTable().contains(name.left(name.size() - 5)));
}

/// Says once per icon folder, in one line, that symbols are missing: every button of a machine without
/// the icon set would otherwise be blank without a word.
void reportMissing(QStringView symbol)
{
    static QSet<QString> reported;
    const QString folder = iconFolder();
    if (reported.contains(folder)) {
        return;
    }
    reported.insert(folder);
    vsp::logFailure(QStringLiteral("loading the symbol icons"),
                    QStringLiteral("no readable icon for \"%1\" in %2 (is the bootstrap-icons package installed?)")
                        .arg(symbol, folder));
}

/// What stands for a symbol that cannot be loaded: its first letter, so the control still shows
/// something to press.
void paintTextFallback(QPainter& painter, QStringView symbol, const QRectF& rect, const QColor& color)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(std::max(1, int(rect.height() * 0.7)));
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(rect, Qt::AlignCenter, symbol.left(1).toString().toUpper());
}

/// The SVG text of an icon with its "currentColor" replaced by a colour; renderers are cached per
/// icon and colour.
QSvgRenderer* renderer(const QString& name, const QColor& color)
{
    static QHash<QString, std::shared_ptr<QSvgRenderer>> renderers;
    const QString key = iconFolder() + u'/' + name + u'|' + color.name(QColor::HexArgb);
    auto it = renderers.constFind(key);
    if (it != renderers.constEnd()) {
        return it->get();
    }
    QFile file(iconFolder() + u'/' + name + QStringLiteral(".svg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    QByteArray svg = file.readAll();
    const QByteArray fill = color.name(QColor::HexRgb).toLatin1();
    svg.replace("currentColor", fill);
    if (color.alpha() < 255) {
        // SVG carries the opacity separately from the colour.
        svg.replace("<svg ", QByteArray("<svg opacity=\"" + QByteArray::number(color.alphaF(), 'f', 3) + "\" "));
    }
    auto r = std::make_shared<QSvgRenderer>(svg);
    if (!r->isValid()) {
        return nullptr;
    }
    if (renderers.size() > 512) {
        renderers.clear();
    }
    renderers.insert(key, r);
    return r.get();
}

} // namespace

QString iconFolder()
{
    const QString overridden = qEnvironmentVariable("VESPERLOG_ICON_DIR");
    if (!overridden.isEmpty()) {
        return overridden;
    }
    // A bundle carries its own copy beside its program; for the .deb that same place is the system's.
    if (QCoreApplication::instance()) {
        const QString own = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/bootstrap-icons/svg");
        if (QFileInfo(own).isDir()) {
            return QDir::cleanPath(own);
        }
    }
    return QStringLiteral("/usr/share/bootstrap-icons/svg");
}

QString iconName(QStringView symbol)
{
    const QString name = symbol.toString();
    const auto& table = mappingTable();
    QString base = name;
    bool filled = false;
    if (name.endsWith(QLatin1String(".fill"))) {
        base = name.left(name.size() - 5);
        filled = true;
    }
    // A listed full name (".fill" included) wins; then the base name's icon with its fill variant.
    QString icon = table.value(name);
    if (icon.isEmpty()) {
        icon = table.value(base);
        if (!icon.isEmpty() && filled) {
            const QString fillVariant = icon + QStringLiteral("-fill");
            if (iconExists(fillVariant)) {
                icon = fillVariant;
            }
        }
    }
    if (icon.isEmpty()) {
        // Names of the set itself ("journal-text") and dotted names that read the same ("geo.alt").
        QString guess = name;
        guess.replace(u'.', u'-');
        icon = guess;
    }
    return iconExists(icon) ? icon : QString();
}

bool isKnown(QStringView symbol)
{
    return !iconName(symbol).isEmpty();
}

QString iconPath(QStringView symbol)
{
    const QString name = iconName(symbol);
    return name.isEmpty() ? QString() : iconFolder() + u'/' + name + QStringLiteral(".svg");
}

namespace {

/// The icon drawn at `px` device pixels in opaque black on transparency, for tinting; cached per icon
/// and size. Null when the icon cannot be read.
QImage shapeOf(const QString& name, int px)
{
    static QHash<QString, QImage> shapes;
    const QString key = iconFolder() + u'/' + name + u'|' + QString::number(px);
    const auto it = shapes.constFind(key);
    if (it != shapes.constEnd()) {
        return *it;
    }
    QSvgRenderer* r = renderer(name, Qt::black);
    if (!r) {
        return {};
    }
    QImage shape(px, px, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    QPainter p(&shape);
    p.setRenderHint(QPainter::Antialiasing);
    r->render(&p, QRectF(0, 0, px, px));
    p.end();
    if (shapes.size() > 512) {
        shapes.clear();
    }
    shapes.insert(key, shape);
    return shape;
}

} // namespace

QPixmap pixmap(QStringView symbol, const QColor& color, qreal size, qreal devicePixelRatio)
{
    const int px = std::max(1, int(std::ceil(size * devicePixelRatio)));
    const QString key = QStringLiteral("vsp-symbol|%1|%2|%3").arg(symbol, color.name(QColor::HexArgb)).arg(px);
    QPixmap result;
    if (QPixmapCache::find(key, &result)) {
        return result;
    }
    result = QPixmap(px, px);
    result.fill(Qt::transparent);
    const QString name = iconName(symbol);
    const QImage shape = name.isEmpty() ? QImage() : shapeOf(name, px);
    if (!shape.isNull()) {
        // Tinting the drawn shape costs a fill: a colour that animates (a button's press, a star filling)
        // reads and draws no SVG per frame.
        QImage tinted = shape;
        QPainter p(&tinted);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(tinted.rect(), color);
        p.end();
        result = QPixmap::fromImage(std::move(tinted));
    } else if (!name.isEmpty() || isOwnSymbol(symbol) || !QFileInfo(iconFolder()).isDir()) {
        reportMissing(symbol);
        QPainter p(&result);
        p.setRenderHint(QPainter::TextAntialiasing);
        paintTextFallback(p, symbol, QRectF(0, 0, px, px), color);
    }
    result.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, result);
    return result;
}

void paint(QPainter& painter, QStringView symbol, const QRectF& rect, const QColor& color)
{
    const qreal side = std::min(rect.width(), rect.height());
    if (side <= 0) {
        return;
    }
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap pm = pixmap(symbol, color, side, dpr);
    const QRectF target(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.drawPixmap(target, pm, QRectF(0, 0, pm.width(), pm.height()));
}

namespace {

/// Draws a symbol at whatever size and mode the icon is asked for, when it is asked for: menus and
/// lists show dozens of icons of which few sizes are ever used.
class SymbolIconEngine final : public QIconEngine {
public:
    SymbolIconEngine(QString symbol, QColor color) : m_symbol(std::move(symbol)), m_color(std::move(color)) { }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        symbols::paint(*painter, m_symbol, QRectF(rect), colorFor(mode));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        return symbols::pixmap(m_symbol, colorFor(mode), std::min(size.width(), size.height()), scale);
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(m_symbol, m_color); }
    QString key() const override { return QStringLiteral("vsp-symbol"); }

private:
    QColor colorFor(QIcon::Mode mode) const
    {
        QColor color = m_color.isValid() ? m_color : QGuiApplication::palette().color(QPalette::ButtonText);
        if (mode == QIcon::Disabled) {
            color.setAlphaF(color.alphaF() * 0.4f);
        }
        return color;
    }

    QString m_symbol;
    QColor m_color;
};

} // namespace

QIcon icon(QStringView symbol, const QColor& color)
{
    return QIcon(new SymbolIconEngine(symbol.toString(), color));
}

} // namespace vsp::symbols
