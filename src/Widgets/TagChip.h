#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QAbstractButton;
class QLabel;

/// One chosen tag: its text in the accent colour (after `prefix`, "#" in the entry detail) on an
/// accent-tinted capsule, and a small cross that removes it. Regular chips (24 pixels high, 11 pt text)
/// sit in the entry windows; compact ones (20 pixels, 10 pt) in quick capture.
class TagChip final : public QWidget {
    Q_OBJECT

public:
    enum class Size { Regular, Compact };

    TagChip(const QString& tag, QWidget* parent = nullptr, const QString& prefix = QString(),
            Size size = Size::Regular);
    QString tag() const { return m_tag; }
    QAbstractButton* removeButton() const { return m_remove; }

    /// For each of `tags`, the first chip of `chips` showing it that no earlier tag took, or null where
    /// a new chip must come: chips of tags still chosen stay when the tags change.
    static QList<TagChip*> keptFor(const QStringList& tags, const QList<TagChip*>& chips);

Q_SIGNALS:
    void removeRequested(const QString& tag);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_tag;
    Size m_size;
    QLabel* m_label;
    QAbstractButton* m_remove;
};
