#include "Editor/Compose/ComposeDrafts.h"

#include "Model/UserDefaults.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QVariant>

namespace vsp::compose {

namespace {

/// The tags of a stored draft: a JSON array of texts (as written), or a plain list of texts. Anything
/// else, or an array holding anything but texts, is no tags.
QStringList storedTags(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList();
    }
    if (value.typeId() != QMetaType::QByteArray) {
        return {};
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(value.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return {};
    }
    QStringList tags;
    for (const QJsonValue& item : document.array()) {
        if (!item.isString()) {
            return {};
        }
        tags.append(item.toString());
    }
    return tags;
}

} // namespace

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
    // Every write rewrites the settings file, and the draft is kept every few seconds while the user
    // writes: keys that hold their value already are left alone.
    const auto write = [&defaults](const QString& key, const QVariant& value) {
        const QVariant stored = defaults.value(key);
        if (stored.typeId() != value.typeId() || stored != value) {
            defaults.setValue(key, value);
        }
    };
    write(kDraftTitleKey, draft.title);
    write(kDraftBodyKey, draft.body);
    if (draft.bodyRTF) {
        write(kDraftBodyRTFKey, *draft.bodyRTF);
    } else {
        defaults.remove(kDraftBodyRTFKey);
    }
    // A JSON array in a data value: the settings file would read a list of one tag back as plain text
    // and an empty list as nothing.
    const QJsonDocument tags(QJsonArray::fromStringList(draft.tags));
    write(kDraftTagsKey, tags.toJson(QJsonDocument::Compact));
    write(kDraftTypeKey, draft.type);
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
    draft.tags = storedTags(defaults.value(kDraftTagsKey));
    draft.type = defaults.string(kDraftTypeKey, QString());
    return draft;
}

bool hasDraft()
{
    const UserDefaults& defaults = UserDefaults::instance();
    return !defaults.string(kDraftTitleKey, QString()).isEmpty() ||
           !defaults.string(kDraftBodyKey, QString()).isEmpty();
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
