#include "settings/SettingsTable.h"

#include <algorithm>

namespace tavik {

namespace {

// Spreads a default over the three typed slots; the slot that matches the type is the one read.
struct DefaultValue {
    bool b = false;
    double d = 0;
    std::string_view s;
    constexpr DefaultValue(bool v) : b(v) {}
    constexpr DefaultValue(int v) : d(v) {}
    constexpr DefaultValue(double v) : d(v) {}
    constexpr DefaultValue(const char* v) : s(v ? v : "") {}
    constexpr DefaultValue() = default;
};

constexpr SettingInfo makeInfo(Setting id, SettingType type, std::string_view group,
                               std::string_view property, std::string_view key, DefaultValue def,
                               double minimum, double maximum)
{
    return {id, type, group, property, key, def.b, def.d, def.s, minimum, maximum};
}

constexpr std::array<SettingInfo, kSettingCount> kTable = {{
#define TAVIK_SETTING_INFO(type, group, name, Name, key, def, lo, hi) \
    makeInfo(Setting::name, SettingType::type, #group, #name, key, DefaultValue(def), lo, hi),
    TAVIK_SETTINGS(TAVIK_SETTING_INFO)
#undef TAVIK_SETTING_INFO
}};

// Every default lies inside its own range.
constexpr bool defaultsInRange()
{
    for (const SettingInfo& info : kTable)
        if (info.type == SettingType::Double && !info.inRange(info.doubleDefault))
            return false;
    return true;
}
static_assert(defaultsInRange());

} // namespace

const std::array<SettingInfo, kSettingCount>& settingsTable()
{
    return kTable;
}

const SettingInfo& settingInfo(Setting id)
{
    return kTable[indexOf(id)];
}

const SettingInfo* findSettingByKey(std::string_view key)
{
    if (key.empty())
        return nullptr;
    const auto it = std::find_if(kTable.begin(), kTable.end(),
                                 [key](const SettingInfo& info) { return info.key == key; });
    return it == kTable.end() ? nullptr : &*it;
}

} // namespace tavik
