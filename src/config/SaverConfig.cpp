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
    options.ShowFps = false;
    options.ShowTime = true;
    options.TimeStyle = true;
    // Entry 4 is "0" or "1"; anything else is taken as "0", the string table's own address.
    useStoredSiteAddress = strings(4) == "1";
    siteAddressText.clear();
    SaverConfig::load();
}

void SaverConfig::load()
{
    Config::load();
    System::RegistryReader reader(keyPath);
    options.UseDesktop = reader.readDwordOr("UseDesktop", 1) != 0;
    options.ShowFps = reader.readDwordOr("ShowFps", 0) != 0;
    options.Gamma = static_cast<std::int32_t>(reader.readDwordOr("Gamma", 100));
    options.ExitOnMM = reader.readDwordOr("ExitOnMM", 1) != 0;
    options.ShowTime = reader.readDwordOr("ShowTime", 1) != 0;
    options.TimeStyle = reader.readDwordOr("TimeStyle", 1) != 0;
    reader.readText("SiteAddressURL", siteAddressText);
}

// One transaction for everything: a reader, a crash or a second dialog never sees the engine's groups
// of one choice beside the saver's values of another.
void SaverConfig::save()
{
    System::RegistryWriter writer(keyPath);
    saveInto(writer);
    writer.writeDword("UseDesktop", options.UseDesktop ? 1 : 0);
    writer.writeDword("ShowFps", options.ShowFps ? 1 : 0);
    writer.writeDword("Gamma", static_cast<std::uint32_t>(options.Gamma));
    writer.writeDword("ExitOnMM", options.ExitOnMM ? 1 : 0);
    writer.writeDword("ShowTime", options.ShowTime ? 1 : 0);
    writer.writeDword("TimeStyle", options.TimeStyle ? 1 : 0);
    writer.writeText("SiteAddressURL", siteAddressText);
    writer.commit();
    markSaved();
}

std::string SaverConfig::siteAddress() const
{
    return useStoredSiteAddress ? siteAddressText : strings(2);
}
