#pragma once
// A private XDG_CONFIG_HOME for one test: an empty temporary folder that the variable points at while
// the object lives. The variables are restored and the folder removed afterwards.
#include "Environment.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

class ScratchConfigHome {
public:
    ScratchConfigHome()
        : savedXdg(variable("XDG_CONFIG_HOME")), savedHome(variable("HOME"))
    {
        root = freshFolder();
        TestEnvironment::set("XDG_CONFIG_HOME", root);
    }

    ~ScratchConfigHome()
    {
        restore("XDG_CONFIG_HOME", savedXdg);
        restore("HOME", savedHome);
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    ScratchConfigHome(const ScratchConfigHome&) = delete;
    ScratchConfigHome& operator=(const ScratchConfigHome&) = delete;

    const std::string& path() const { return root; }
    std::string folder() const { return root + "/fernhollow"; }
    std::string file() const { return folder() + "/user.reg"; }

    void writeFile(const std::string& text) const { write(file(), text); }
    std::string readFile() const { return read(file()); }

    static void write(const std::string& path, const std::string& text)
    {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out)
            throw std::runtime_error("cannot write " + path);
    }

    static std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return {};
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static bool exists(const std::string& path)
    {
        std::error_code ignored;
        return std::filesystem::exists(path, ignored);
    }

private:
    // A new folder of this test's own below the temporary folder, made with create_directory, which
    // fails for a name that is taken.
    static std::string freshFolder()
    {
        const std::filesystem::path temporary = std::filesystem::temp_directory_path();
        unsigned long long seed =
            static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
        for (int attempt = 0; attempt < 100; ++attempt) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            std::filesystem::path folder = temporary / ("fernhollow-config-" + std::to_string(seed >> 40));
            std::error_code error;
            if (std::filesystem::create_directory(folder, error))
                return folder.string();
        }
        throw std::runtime_error("cannot create a temporary folder");
    }

    static std::optional<std::string> variable(const char* name)
    {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }

    static void restore(const char* name, const std::optional<std::string>& value)
    {
        if (value)
            TestEnvironment::set(name, *value);
        else
            TestEnvironment::unset(name);
    }

    std::optional<std::string> savedXdg;
    std::optional<std::string> savedHome;
    std::string root;
};
