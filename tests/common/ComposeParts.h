#pragma once

#include "common/TestSupport.h"

#include "Editor/Compose/ComposeFooter.h"
#include "Editor/Compose/ComposeView.h"
#include "Editor/Compose/MoodSelectorView.h"
#include "Editor/Compose/PendingAudioPreview.h"
#include "Editor/Compose/PendingImagesPreview.h"
#include "Editor/Compose/TypeChip.h"
#include "Editor/Compose/WordCountLabel.h"
#include "Editor/FloatingFormatBar.h"
#include "Editor/FormatBar.h"
#include "Editor/FormatButton.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/SelectionState.h"
#include "Media/AudioRecordControl.h"
#include "Media/ImagePickerButton.h"
#include "Media/WeatherLocationChips.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Transitions.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QLineEdit>
#include <QList>

/// The parts of the "New Entry" window and its bars, reached by their object names as a user reaches
/// them by sight. Each stops the test executable when the part is missing (see vsp::test::child).
namespace parts {

inline QLineEdit* titleField(const ComposeView* view)
{
    return vsp::test::child<QLineEdit>(*view, QStringLiteral("composeTitle"));
}
inline FormattableTextEditor* editor(const ComposeView* view)
{
    return vsp::test::child<FormattableTextEditor>(*view, QStringLiteral("composeBody"));
}
inline SelectionState* selectionState(const ComposeView* view)
{
    return vsp::test::child<SelectionState>(*view, QStringLiteral("selectionState"));
}
inline FloatingFormatBar* floatingBar(const ComposeView* view)
{
    return vsp::test::child<FloatingFormatBar>(*view, QStringLiteral("floatingFormatBar"));
}
inline ComposeFooter* footer(const ComposeView* view)
{
    return vsp::test::child<ComposeFooter>(*view, QStringLiteral("composeFooter"));
}
inline WordCountLabel* wordCountLabel(const ComposeView* view)
{
    return vsp::test::child<WordCountLabel>(*view, QStringLiteral("wordCount"));
}
inline WeatherLocationChips* weatherChips(const ComposeView* view)
{
    return vsp::test::child<WeatherLocationChips>(*view, QStringLiteral("weatherChips"));
}
inline MoodBadge* moodBadge(const ComposeView* view)
{
    return vsp::test::child<MoodBadge>(*view, QStringLiteral("moodBadge"));
}
inline MoodSelectorView* moodSelector(const ComposeView* view)
{
    return vsp::test::child<MoodSelectorView>(*view, QStringLiteral("moodSelector"));
}
inline GlassChipButton* expirationChip(const ComposeView* view)
{
    return vsp::test::child<GlassChipButton>(*view, QStringLiteral("expirationChip"));
}
inline QDateEdit* expirationPicker(const ComposeView* view)
{
    return vsp::test::child<QDateEdit>(*view, QStringLiteral("expirationPicker"));
}
inline ImagePickerButton* imagePicker(const ComposeView* view)
{
    return vsp::test::child<ImagePickerButton>(*view, QStringLiteral("imagePickerButton"));
}
inline AudioRecordControl* recordControl(const QWidget* view)
{
    return vsp::test::child<AudioRecordControl>(*view, QStringLiteral("recordControl"));
}
inline PendingImagesPreview* imagesPreview(const ComposeView* view)
{
    return vsp::test::child<PendingImagesPreview>(*view, QStringLiteral("pendingImages"));
}
inline PendingAudioPreview* audioPreview(const ComposeView* view)
{
    return vsp::test::child<PendingAudioPreview>(*view, QStringLiteral("pendingAudio"));
}

/// The places in which the weather chips, the mood badge, the expiration picker and the two previews
/// come and go.
inline TransitionSlot* weatherSlot(const ComposeView* view)
{
    return vsp::test::child<TransitionSlot>(*view, QStringLiteral("weatherChipsSlot"));
}
inline TransitionSlot* moodBadgeSlot(const ComposeView* view)
{
    return vsp::test::child<TransitionSlot>(*view, QStringLiteral("moodBadgeSlot"));
}
inline TransitionSlot* expirationSlot(const ComposeView* view)
{
    return vsp::test::child<TransitionSlot>(*view, QStringLiteral("expirationPickerSlot"));
}
inline TransitionSlot* imagesSlot(const ComposeView* view)
{
    return vsp::test::child<TransitionSlot>(*view, QStringLiteral("pendingImagesRowSlot"));
}
inline TransitionSlot* audioSlot(const ComposeView* view)
{
    return vsp::test::child<TransitionSlot>(*view, QStringLiteral("pendingAudioRowSlot"));
}

/// The picture laid over the content while the window's entrance plays; null at rest.
inline QWidget* entranceOverlay(const ComposeView* view)
{
    return view->findChild<EntranceOverlay*>(QStringLiteral("entranceOverlay"), Qt::FindDirectChildrenOnly);
}

/// The entry type chips of a compose or quick-capture view, in the order shown.
inline QList<TypeChip*> typeChips(const QWidget* view)
{
    return view->findChildren<TypeChip*>();
}

/// The mood chips, in the order shown.
inline QList<MoodChip*> moodChips(const MoodSelectorView* selector)
{
    return selector->findChildren<MoodChip*>();
}

/// The tag suggestions' place: hidden while there are none (once it has gone).
inline TransitionSlot* suggestionRow(const ComposeFooter* footer)
{
    return vsp::test::child<TransitionSlot>(*footer, QStringLiteral("tagSuggestionsSlot"));
}

/// The docked bar's command button by command string ("size:26", "bullet", …), design button by design
/// ("default", …) and Save button.
inline FormatButton* commandButton(const FormatBar* bar, const QString& key)
{
    return vsp::test::child<FormatButton>(*bar, QStringLiteral("format:") + key);
}
inline FormatButton* designButton(const FormatBar* bar, const QString& design)
{
    return vsp::test::child<FormatButton>(*bar, QStringLiteral("design:") + design);
}
inline FormatSaveButton* saveButton(const FormatBar* bar)
{
    return vsp::test::child<FormatSaveButton>(*bar, QStringLiteral("saveButton"));
}

/// The floating bar's button for a command ("bold", "color:F87171", …).
inline QAbstractButton* floatingButton(const FloatingFormatBar* bar, const QString& command)
{
    return vsp::test::child<QAbstractButton>(*bar, QStringLiteral("float:") + command);
}

/// A waiting image's remove button.
inline QAbstractButton* removeButton(const PendingImageThumb* thumb)
{
    return vsp::test::child<QAbstractButton>(*thumb, QStringLiteral("removeImage"));
}

} // namespace parts
