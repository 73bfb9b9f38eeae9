#include "config/SaverConfig.h"

#include "scene/ResourceHelpers.h"

#include <utility>

SaverConfig& SaverConfig::instance()
{
    static SaverConfig config;  // a constructor that throws leaves it unconstructed for the next call
    return config;
}

SaverConfig::SaverConfig(StringLoader loader)
    : Config(keyPath), strings(loader ? std::move(loader) : StringLoader(&System::loadResourceString))
{
    // Entry 4 is "0" or "1"; anything else is taken as "0", the string table's own address.
    useStoredSiteAddress = strings(4) == "1";
    siteAddressText.clear();
    SaverConfig::load();
}

void SaverConfig::load()
{
    Config::load();
    System::RegistryReader reader(keyPath);
    for (const System::Setting<SaverOptions>& row : SaverOptionRows)
        row.set(options, static_cast<std::int32_t>(reader.readDwordOr(row.name, static_cast<std::uint32_t>(row.byDefault))));
    reader.readText("SiteAddressURL", siteAddressText);
}

// One transaction for everything: a reader, a crash or a second dialog never sees the engine's groups
// of one choice beside the saver's values of another.
void SaverConfig::save()
{
    System::RegistryWriter writer(keyPath);
    saveInto(writer);
    for (const System::Setting<SaverOptions>& row : SaverOptionRows)
        writer.writeDword(row.name, static_cast<std::uint32_t>(row.get(options)));
    writer.writeText("SiteAddressURL", siteAddressText);
    writer.commit();
    markSaved();
}

std::string SaverConfig::siteAddress() const
{
    return useStoredSiteAddress ? siteAddressText : strings(2);
}
