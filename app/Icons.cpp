#include "Icons.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>

#include <array>

namespace {
struct IconEntry {
    const char* name;
    const char* resource;
};

// Indexed by Icons::Id.
constexpr std::array<IconEntry, 19> table{{
    {"copy", ":images/copy.png"},
    {"paste", ":images/paste.png"},
    {"key", ":images/key.png"},
    {"padlock", ":images/connection.png"},
    {"help", ":images/help.png"},
    {"trash", ":images/trash.png"},
    {"magnify", ":images/magnify.png"},
    {"undo", ":images/undo.png"},
    {"vrtfusion", ":images/vrtfusion.png"},
    {"folder", ":images/folder-32.png"},
    {"cancel", ":images/cancel-32.png"},
    {"import", ":images/import-32.png"},
    {"plus", ":images/insert-32.png"},
    {"error", ":images/error-32.png"},
    {"warning", ":images/warning-32.png"},
    {"info", ":images/info-32.png"},
    {"vault", ":images/vault-32.png"},
    {"colors", ":images/colors-32.png"},
    {"diskette", ":images/diskette-32.png"},
}};
// Decoding an image costs more than building a window: an icon is read from
// the resources only when it is first drawn or measured, so that the menus'
// and the rack views' icons cost nothing until they show.
class LazyIconEngine : public QIconEngine
{
public:
    explicit LazyIconEngine(const QString& resource) : _resource(resource) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        loaded().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return loaded().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return loaded().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return loaded().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return loaded().availableSizes(mode, state);
    }
    bool isNull() override { return _loaded ? _icon.isNull() : !QFile::exists(_resource); }
    QString key() const override { return QStringLiteral("KovrinLazyIcon"); }
    QIconEngine* clone() const override { return new LazyIconEngine(_resource); }

private:
    const QIcon& loaded()
    {
        if (!_loaded) {
            _icon = QIcon(_resource);
            _loaded = true;
        }
        return _icon;
    }

    QString _resource;
    QIcon _icon;
    bool _loaded = false;
};
} // namespace

QIcon Icons::fromResource(const QString& resource)
{
    return QIcon(new LazyIconEngine(resource));
}

Icons::Icons()
{
    for (const auto& entry : table)
        _icons.insert(QLatin1String(entry.name), fromResource(QLatin1String(entry.resource)));
}

Icons& Icons::getInstance()
{
    static Icons instance;
    return instance;
}

QIcon Icons::icon(const QString& name) const
{
    return _icons.value(name);
}

QString Icons::name(int id)
{
    if (id < 0 || id >= int(table.size()))
        return QStringLiteral("help");
    return QLatin1String(table[std::size_t(id)].name);
}

QString Icons::resource(const QString& name)
{
    for (const auto& entry : table)
        if (name == QLatin1String(entry.name))
            return QLatin1String(entry.resource);
    return QString();
}
