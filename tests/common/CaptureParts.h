#pragma once

#include "common/ComposeParts.h"
#include "common/TestSupport.h"

#include "App/QuickCaptureView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

/// The parts of the quick-capture view, reached by their object names (its type chips and record
/// control: see ComposeParts.h). Each stops the test executable when the part is missing.
namespace parts {

inline QLineEdit* titleField(const QuickCaptureView* view)
{
    return vsp::test::child<QLineEdit>(*view, QStringLiteral("captureTitle"));
}
inline QPlainTextEdit* bodyEditor(const QuickCaptureView* view)
{
    return vsp::test::child<QPlainTextEdit>(*view, QStringLiteral("captureBody"));
}
inline QLineEdit* tagField(const QuickCaptureView* view)
{
    return vsp::test::child<QLineEdit>(*view, QStringLiteral("captureTagField"));
}
inline CaptureButton* captureButton(const QuickCaptureView* view)
{
    return vsp::test::child<CaptureButton>(*view, QStringLiteral("captureButton"));
}
inline QLabel* wordCountLabel(const QuickCaptureView* view)
{
    return vsp::test::child<QLabel>(*view, QStringLiteral("captureWordCount"));
}
/// "Keep this open while recording", or the number of waiting voice notes.
inline QLabel* voiceNoteLabel(const QuickCaptureView* view)
{
    return vsp::test::child<QLabel>(*view, QStringLiteral("captureVoiceNoteCount"));
}
/// Says which recordings could not be copied into the journal; hidden while there are none.
inline QLabel* keptRecordingsLabel(const QuickCaptureView* view)
{
    return vsp::test::child<QLabel>(*view, QStringLiteral("captureKeptRecordings"));
}
/// The face shown while the journal is locked.
inline QWidget* lockedFace(const QuickCaptureView* view)
{
    return vsp::test::child<QWidget>(*view, QStringLiteral("captureLocked"));
}

} // namespace parts
