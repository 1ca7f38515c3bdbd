#pragma once

#include "Theme/Palette.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QTimer;
class QVariantAnimation;

namespace vsp {
class SpringValue;
}

/// The self-running illustrations of the introduction's feature pages, each a painted miniature of 430
/// pixels' width with its own timers. They show fixed demo content, hold nothing of the journal and
/// stand still when the desktop asks for reduced motion (ReduceMotion, read at each step as noted).
/// A stage starts from its first state each time it is made; its timers start when it is first shown.
/// The timers' steps are public (`tick`, `swing`) so tests can run them without waiting.
namespace vsp::onboarding {

/// Shared frame of the stages: fixed size, the rounded card and its shadow, repaints on theme changes.
class Stage : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Stage)

public:
    Stage(int height, qreal shadowOpacity, qreal shadowRadius, qreal shadowY, QWidget* parent);

protected:
    /// Called once, when the stage first comes on screen.
    virtual void appeared() { }
    void showEvent(QShowEvent* event) override;
    /// Starts a repeating timer of `ms` calling `step` once the stage is on screen.
    QTimer* every(int ms, std::function<void()> step);
    /// The card's rounded clip (corner radius 14) and its 1-pixel border, around `paint`.
    void paintCard(QPainter& painter, const Color& fill, const std::function<void(QPainter&)>& paint) const;
    static bool reduceMotion();

private:
    bool m_shown = false;
    QList<QTimer*> m_timers;
};

/// The miniature "New Entry" window that types a demo entry one character every 0.035 s, then pops in
/// a mood chip and two tag chips (Reduce Motion: all of it at once, and the ticks do nothing).
class ComposeStage final : public Stage {
    Q_OBJECT

public:
    static constexpr int kTitleLength = 15;
    static constexpr int kTotalLength = 114;

    /// `today` is the date the demo entry shows.
    explicit ComposeStage(const QDate& today, QWidget* parent = nullptr);

    int typed() const { return m_typed; }
    bool showsMood() const { return m_showMood; }
    bool showsTags() const { return m_showTags; }
    QString titleShown() const;
    QString bodyShown() const;

    void tick();

protected:
    void appeared() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void paintChip(QPainter& painter, QPointF& at, const QString& text, bool tinted, qreal scale) const;

    QDate m_today;
    int m_typed = 0;
    bool m_showMood = false;
    bool m_showTags = false;
    SpringValue* m_moodPop;
    SpringValue* m_tagsPop;
};

/// The miniature library: three mood lanes, one lit at a time (starting with "Calm"), and the lit
/// lane's entries; every 2.2 s the next lane lights.
class LibraryStage final : public Stage {
    Q_OBJECT

public:
    struct Lane {
        QString emoji;
        QString label;
        QStringList entries;
    };

    explicit LibraryStage(QWidget* parent = nullptr);

    static const QList<Lane>& lanes();
    int active() const { return m_active; }

    void tick();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_active = 1;
    SpringValue* m_highlight;
};

/// The miniature main window drawn in bars that switches into focus mode (the side columns fold away,
/// the editor takes the width, the "F11" badge lights) and back every 2.8 s.
class FocusStage final : public Stage {
    Q_OBJECT

public:
    explicit FocusStage(QWidget* parent = nullptr);

    bool isFocused() const { return m_focused; }

    void tick();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_focused = false;
    SpringValue* m_focus;
};

/// A strip of the desktop's top panel with the app's mark and, under it, a miniature quick-capture
/// panel that drops open 0.35 s after the stage shows and swings shut and open every 3 s; while open,
/// its eleven meter bars jump to new heights (0.15 to 1.0) every 0.28 s.
class CaptureStage final : public Stage {
    Q_OBJECT

public:
    static constexpr int kBars = 11;

    explicit CaptureStage(QWidget* parent = nullptr);

    bool isOpen() const { return m_open; }
    QList<qreal> levels() const { return m_levels; }

    void tick();
    void swing();

protected:
    void appeared() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setOpen(bool open, qreal response, qreal damping);
    /// The panel strip with its clock and icons and the mark, which grows as the panel opens; returns
    /// the strip's height.
    qreal paintPanelStrip(QPainter& p, qreal o) const;
    /// The quick-capture panel under the mark, sliding and fading in with the openness `o` (0 … 1).
    void paintCapturePanel(QPainter& p, qreal stripHeight, qreal o) const;
    /// The voice note's level bars, its length and the weather on one row 26 pixels high.
    void paintRecording(QPainter& p, const QRectF& row) const;

    bool m_open = false;
    QList<qreal> m_levels;
    QList<qreal> m_fromLevels;
    SpringValue* m_openness;
    QVariantAnimation* m_levelMotion;
};

/// The laptop in an accent disc with a ring that pulses outwards every 2.2 s (never with Reduce Motion,
/// read when the stage shows), beside four facts about where the journal lives.
class PrivacyStage final : public Stage {
    Q_OBJECT

public:
    explicit PrivacyStage(QWidget* parent = nullptr);

    bool isPulsing() const;
    /// The first fact's value: the journal's folder with the home folder written "~".
    static QString folderText();

protected:
    void appeared() override;
    void paintEvent(QPaintEvent* event) override;

private:
    QVariantAnimation* m_pulse;
};

} // namespace vsp::onboarding
