#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

/// One selectable mood: an emoji with its name. Entries record the emoji alone, so the palette can
/// change without touching them.
struct MoodItem {
    QUuid id;
    QString emoji;
    QString label;

    bool operator==(const MoodItem&) const = default;
};

size_t qHash(const MoodItem& mood, size_t seed = 0) noexcept;

namespace vsp {
/// The compact JSON array of moods: {"id","emoji","label"} per item, ids as upper-case UUID text.
QByteArray encodeMoods(const QList<MoodItem>& moods);
/// Reads such an array; every key is required and must be text (an id must be a UUID). Unknown keys are
/// ignored. Nothing when any item fails; `error` then says why.
std::optional<QList<MoodItem>> decodeMoods(const QByteArray& json, QString* error = nullptr);
} // namespace vsp

/// The user's mood palette, kept in $XDG_DATA_HOME/Vesperlog/moods.json.
///
/// Construction reads the file; a missing, unreadable or undecodable file, or an empty list, gives the
/// four default moods without writing moods.json. An undecodable file is copied aside at once as
/// "moods-corrupt-<yyyy-MM-dd-HHmmss>.json" (one copy per distinct content, like the journal's damaged
/// files; `damagedCopy()` names it for the notice on screen). When that copy cannot be made, the file is
/// copied again just before the first save replaces it, and left alone when that fails too. A moods.json
/// that cannot be read at all (a FIFO, a device, a folder, over kMaxStateFileBytes), and a link to a file
/// that is no moods file, are never written: `leftUnchanged()` says why, and every save prints it.
/// Main thread only.
class MoodStore final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MoodStore)
    Q_PROPERTY(QList<MoodItem> moods READ moods WRITE setMoods NOTIFY moodsChanged)

public:
    explicit MoodStore(QObject* parent = nullptr);
    ~MoodStore() override;

    const QList<MoodItem>& moods() const { return m_moods; }
    /// Replaces the palette and announces it (on every assignment). Writes nothing: call save().
    void setMoods(const QList<MoodItem>& moods);

    /// The label of the first mood whose emoji is exactly `emoji`; the emoji itself when none has it.
    QString label(const QString& emoji) const;

    /// Writes the palette to moods.json atomically. On failure prints "Vesperlog: mood save failed — …"
    /// and keeps the file's previous content.
    void save();

    /// Energized ⚡, Calm 🌿, Focused 🎯, Tired 🌙. Built once per process: the ids are the same for the
    /// whole run and new after a restart.
    static const QList<MoodItem>& defaultMoods();

    /// The path of moods.json; forming it creates the store folder.
    static QString filePath();

    /// The copy kept at launch of a moods.json that could not be decoded; empty otherwise.
    QString damagedCopy() const { return m_damagedCopy; }
    /// Why moods.json is never written in this run ("moods.json is not a regular file; …"); empty when it
    /// may be.
    QString leftUnchanged() const { return m_leftUnchanged; }

Q_SIGNALS:
    void moodsChanged();

private:
    void load();

    QList<MoodItem> m_moods;
    /// Set when the file on disk could not be decoded: it is copied aside before it is first replaced.
    bool m_preserveBeforeSave = false;
    QString m_damagedCopy;
    QString m_leftUnchanged;
};
