// The Linux backend's battery test: the power-supply class tree the kernel lays out below
// /sys/class/power_supply, here a folder of the test's own.
#include "platform/Power.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace System;

namespace {

// A power-supply class tree of the test's own, as the kernel lays it out.
class PowerSupplies : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = std::filesystem::temp_directory_path() /
               ("fernhollow-power-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        setenv("FERNHOLLOW_POWER_SUPPLY_DIR", root.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("FERNHOLLOW_POWER_SUPPLY_DIR");
        std::filesystem::remove_all(root);
    }
    void supply(const std::string& name, std::initializer_list<std::pair<const char*, const char*>> values)
    {
        std::filesystem::create_directories(root / name);
        for (const auto& value : values)
            std::ofstream(root / name / value.first) << value.second << "\n";
    }
    std::filesystem::path root;
};

} // namespace

TEST_F(PowerSupplies, OnBatteryOnlyWhenNoMainsIsOnlineAndTheSystemBatteryDischarges)
{
    EXPECT_FALSE(Platform::runsOnBattery()) << "a desktop: no supplies at all";
    supply("hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}, {"status", "Discharging"}});
    EXPECT_FALSE(Platform::runsOnBattery()) << "a wireless mouse's battery is not the machine's";
    supply("BAT0", {{"type", "Battery"}, {"status", "Discharging"}});
    EXPECT_TRUE(Platform::runsOnBattery()) << "a laptop without its adapter";
    supply("AC", {{"type", "Mains"}, {"online", "0"}});
    EXPECT_TRUE(Platform::runsOnBattery()) << "adapter unplugged";
    supply("AC", {{"type", "Mains"}, {"online", "1"}});
    EXPECT_FALSE(Platform::runsOnBattery()) << "adapter plugged in";
    supply("AC", {{"type", "Mains"}, {"online", "0"}});
    supply("ucsi-source-psy-USBC000:001", {{"type", "USB"}, {"online", "1"}});
    EXPECT_FALSE(Platform::runsOnBattery()) << "charging over USB-C";
    std::filesystem::remove_all(root / "ucsi-source-psy-USBC000:001");
    supply("BAT0", {{"type", "Battery"}, {"status", "Full"}});
    EXPECT_FALSE(Platform::runsOnBattery()) << "a full battery on an adapter that reports nothing";
    setenv("FERNHOLLOW_POWER_SUPPLY_DIR", (root / "missing").c_str(), 1);
    EXPECT_FALSE(Platform::runsOnBattery());
}
