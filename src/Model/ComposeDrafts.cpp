#include "Model/ComposeDrafts.h"

#include "Model/AppSettings.h"

namespace vsp::compose {

void clearDraft()
{
    AppSettings::instance().clearDraft();
}

void saveDraft(const ComposeDraft& draft, bool autoSaveDraft)
{
    if (!autoSaveDraft || (draft.title.isEmpty() && draft.body.isEmpty())) {
        clearDraft();
        return;
    }
    // The draft is kept every few seconds while the user writes: one write of the settings file for
    // all five values, and none when nothing changed.
    AppSettings& settings = AppSettings::instance();
    const AppSettings::Batch batch;
    settings.setDraftTitle(draft.title);
    settings.setDraftBody(draft.body);
    settings.setDraftBodyRTF(draft.bodyRTF.value_or(QByteArray()));
    settings.setDraftTags(draft.tags);
    settings.setDraftType(draft.type);
}

std::optional<ComposeDraft> readDraft()
{
    const AppSettings& settings = AppSettings::instance();
    ComposeDraft draft;
    draft.title = settings.draftTitle();
    draft.body = settings.draftBody();
    if (draft.title.isEmpty() && draft.body.isEmpty()) {
        return std::nullopt;
    }
    if (QByteArray rtf = settings.draftBodyRTF(); !rtf.isEmpty()) {
        draft.bodyRTF = std::move(rtf);
    }
    draft.tags = settings.draftTags();
    draft.type = settings.draftType();
    return draft;
}

bool hasDraft()
{
    const AppSettings& settings = AppSettings::instance();
    return !settings.draftTitle().isEmpty() || !settings.draftBody().isEmpty();
}

const std::array<QString, 7>& writingPrompts()
{
    static const std::array<QString, 7> prompts = {
        QStringLiteral("What's on your mind right now?"),
        QStringLiteral("What went well today, and why?"),
        QStringLiteral("What's one thing you want to remember a year from now?"),
        QStringLiteral("Describe a moment that surprised you recently."),
        QStringLiteral("What problem are you working through?"),
        QStringLiteral("What are you grateful for today?"),
        QStringLiteral("What decision is weighing on you?"),
    };
    return prompts;
}

} // namespace vsp::compose
