#include "cli/ScratchSettings.h"

#include "settings/ScenePreset.h"
#include "settings/SettingText.h"

namespace tavik {

namespace {

void assign(SettingsStore& store, const QString& assignment)
{
    const qsizetype equals = assignment.indexOf(u'=');
    const QString key = assignment.left(equals);
    const SettingInfo* info = equals < 0 ? nullptr : settingNamed(key);
    if (!info)
        throw UsageError(QStringLiteral("--set needs KEY=VALUE with a known key, not \"%1\"").arg(assignment));
    auto value = parseSettingValue(*info, assignment.mid(equals + 1));
    if (!value)
        throw UsageError(QStringLiteral("\"%1\" is not a valid value for %2").arg(assignment.mid(equals + 1), key));
    if (const auto problem = rangeProblem(*info, *value))
        throw UsageError(*problem);
    store.setValue(info->id, std::move(*value));
}

} // namespace

std::unique_ptr<ScratchSettings> ScratchSettings::from(const Options& options, const KeyValueStore& source)
{
    std::unique_ptr<ScratchSettings> scratch(new ScratchSettings);
    for (const QString& key : source.keys())
        scratch->m_database.setValue(key, source.value(key));
    scratch->m_store = std::make_unique<SettingsStore>(scratch->m_database);
    SettingsStore& store = *scratch->m_store;

    if (const auto presetId = options.value(u"--preset")) {
        const ScenePreset* preset = ScenePreset::preset(*presetId);
        if (!preset)
            throw UsageError(QStringLiteral("unknown preset \"%1\" (tavik presets lists them)").arg(*presetId));
        preset->apply(store);
    }
    // After the preset, whatever the order given: an override is meant to win.
    for (const QString& assignment : options.values(u"--set"))
        assign(store, assignment);
    return scratch;
}

} // namespace tavik
