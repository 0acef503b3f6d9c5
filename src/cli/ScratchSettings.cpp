#include "cli/ScratchSettings.h"

#include "settings/ScenePreset.h"
#include "settings/SettingText.h"

namespace tavik {

namespace {

// The value of "--name VALUE" or "--name=VALUE" at args[i], removing it; nullopt if not that option.
std::optional<QString> takeOption(QStringList& args, qsizetype i, const QString& name, bool& malformed)
{
    if (args[i] == name) {
        if (i + 1 >= args.size()) {
            malformed = true;
            return std::nullopt;
        }
        QString value = args[i + 1];
        args.remove(i, 2);
        return value;
    }
    if (args[i].startsWith(name + u'=')) {
        QString value = args[i].mid(name.size() + 1);
        args.remove(i);
        return value;
    }
    return std::nullopt;
}

} // namespace

std::unique_ptr<ScratchSettings> ScratchSettings::fromArguments(QStringList& args, const KeyValueStore& source,
                                                                QTextStream& err)
{
    std::optional<QString> presetId;
    QStringList assignments;
    for (qsizetype i = 0; i < args.size();) {
        const QString option = args[i];
        bool malformed = false;
        if (auto preset = takeOption(args, i, QStringLiteral("--preset"), malformed))
            presetId = preset;
        else if (auto assignment = takeOption(args, i, QStringLiteral("--set"), malformed))
            assignments << *assignment;
        else if (!malformed)
            ++i;
        if (malformed) {
            err << "tavik: " << option << " needs a value" << Qt::endl;
            return nullptr;
        }
    }

    std::unique_ptr<ScratchSettings> scratch(new ScratchSettings);
    for (const QString& key : source.keys())
        scratch->m_database.setValue(key, source.value(key));
    scratch->m_store = std::make_unique<SettingsStore>(scratch->m_database);
    SettingsStore& store = *scratch->m_store;

    if (presetId) {
        const ScenePreset* preset = ScenePreset::preset(*presetId);
        if (!preset) {
            err << "tavik: unknown preset \"" << *presetId << "\" (tavik presets lists them)" << Qt::endl;
            return nullptr;
        }
        preset->apply(store);
    }
    for (const QString& assignment : assignments) {
        const qsizetype equals = assignment.indexOf(u'=');
        const QString key = assignment.left(equals);
        const QByteArray latinKey = key.toLatin1();
        const SettingInfo* info = equals < 0 ? nullptr : findSettingByKey({latinKey.constData(), static_cast<std::size_t>(latinKey.size())});
        if (!info) {
            err << "tavik: --set needs KEY=VALUE with a known key, not \"" << assignment << "\"" << Qt::endl;
            return nullptr;
        }
        auto value = parseSettingValue(*info, assignment.mid(equals + 1));
        if (!value) {
            err << "tavik: \"" << assignment.mid(equals + 1) << "\" is not a valid value for " << key << Qt::endl;
            return nullptr;
        }
        if (const auto problem = rangeProblem(*info, *value)) {
            err << "tavik: " << *problem << Qt::endl;
            return nullptr;
        }
        store.setValue(info->id, std::move(*value));
    }
    return scratch;
}

} // namespace tavik
