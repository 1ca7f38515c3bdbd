#include "Editor/ComposeDrafts.h"

#include "Model/UserDefaults.h"

#include <QVariant>

namespace vsp::compose {

void clearDraft()
{
    UserDefaults& defaults = UserDefaults::instance();
    for (const QString& key : {kDraftTitleKey, kDraftBodyKey, kDraftBodyRTFKey, kDraftTagsKey, kDraftTypeKey}) {
        defaults.remove(key);
    }
}

void saveDraft(const ComposeDraft& draft, bool autoSaveDraft)
{
    if (!autoSaveDraft || (draft.title.isEmpty() && draft.body.isEmpty())) {
        clearDraft();
        return;
    }
    UserDefaults& defaults = UserDefaults::instance();
    defaults.setValue(kDraftTitleKey, draft.title);
    defaults.setValue(kDraftBodyKey, draft.body);
    if (draft.bodyRTF) {
        defaults.setValue(kDraftBodyRTFKey, *draft.bodyRTF);
    } else {
        defaults.remove(kDraftBodyRTFKey);
    }
    // Kept as a list value, also when it holds one tag or none, so it reads back as a list.
    defaults.setValue(kDraftTagsKey, QVariant::fromValue(draft.tags));
    defaults.setValue(kDraftTypeKey, draft.type);
}

std::optional<ComposeDraft> readDraft()
{
    const UserDefaults& defaults = UserDefaults::instance();
    ComposeDraft draft;
    draft.title = defaults.string(kDraftTitleKey, QString());
    draft.body = defaults.string(kDraftBodyKey, QString());
    if (draft.title.isEmpty() && draft.body.isEmpty()) {
        return std::nullopt;
    }
    draft.bodyRTF = defaults.data(kDraftBodyRTFKey);
    const QVariant tags = defaults.value(kDraftTagsKey);
    if (tags.typeId() == QMetaType::QStringList) {
        draft.tags = tags.toStringList();
    } else if (tags.typeId() == QMetaType::QVariantList) {
        const QVariantList items = tags.toList();
        bool allText = true;
        for (const QVariant& item : items) {
            allText = allText && item.typeId() == QMetaType::QString;
        }
        if (allText) {
            draft.tags = tags.toStringList();
        }
    }
    draft.type = defaults.string(kDraftTypeKey, QString());
    return draft;
}

bool hasDraft()
{
    const UserDefaults& defaults = UserDefaults::instance();
    return !defaults.string(kDraftTitleKey, QString()).isEmpty() || !defaults.string(kDraftBodyKey, QString()).isEmpty();
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
