#pragma once
// The engine's settings, the display mode and the sound settings, kept in one registry key through a
// reader policy and a writer policy (plain classes constructed from the key path; see RegistryReader
// and RegistryWriter for the calls used).
#include "engine/Exception.h"
#include "engine/Types.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>

namespace System {

template <class Reader, class Writer>
class Config {
public:
    // Starts from the defaults and loads the key; throws what the reader throws when the key can be
    // neither opened nor created.
    explicit Config(std::string keyPath) : path(std::move(keyPath))
    {
        mode.width = 1024;
        mode.height = 768;
        mode.depth = 16;
        mode.fullScreen = false;
        sound.soundEnabled = true;
        sound.musicEnabled = true;
        sound.volume = 75;
        storedMode = mode;
        storedSound = sound;
        Config::load();
    }

    // Writes the display and sound values back. Only groups this process changed, or that the key no
    // longer holds, are written: a settings dialog may have saved new values since this object loaded,
    // and they must survive the end of, say, a running saver. Never throws.
    virtual ~Config()
    {
        try {
            saveChanges();
        } catch (const std::exception& e) {
            reportSaveFailure(e.what());
        } catch (...) {
            reportSaveFailure("unknown error");
        }
    }

    Config(const Config&) = delete;
    Config& operator=(const Config&) = delete;

    // Each group (width, height, depth; Music, Sound, Volume) replaces the values in memory only when
    // all three of its values can be read.
    virtual void load()
    {
        Reader reader(path);
        DisplayMode readMode = mode;
        if (readDisplay(reader, readMode)) {
            mode = readMode;
            storedMode = readMode;
        }
        SoundSettings readSound = sound;
        if (readSoundGroup(reader, readSound))
            storedSound = readSound;
        sound = readSound;
    }

    // One transaction; throws when it could not be stored.
    virtual void save()
    {
        Writer writer(path);
        saveInto(writer);
        writer.commit();
        markSaved();
    }

    DisplayMode displayMode() const { return mode; }
    void setDisplayMode(const DisplayMode& value) { mode = value; }
    SoundSettings soundSettings() const { return sound; }
    void setSoundSettings(const SoundSettings& value) { sound = value; }

protected:
    // The display and sound groups into a writer that the caller commits, so a derived class can store
    // its own values in the same transaction; markSaved once the commit succeeded.
    void saveInto(Writer& writer) const
    {
        writeDisplay(writer);
        writeSound(writer);
    }

    void markSaved()
    {
        storedMode = mode;
        storedSound = sound;
    }

private:
    static bool sameDisplay(const DisplayMode& a, const DisplayMode& b)
    {
        return a.width == b.width && a.height == b.height && a.depth == b.depth;  // fullScreen is not stored
    }

    static bool sameSound(const SoundSettings& a, const SoundSettings& b)
    {
        return a.musicEnabled == b.musicEnabled && a.soundEnabled == b.soundEnabled && a.volume == b.volume;
    }

    static bool readDisplay(const Reader& reader, DisplayMode& into)
    {
        try {
            into.width = static_cast<std::int32_t>(reader.readDword("width"));
            into.height = static_cast<std::int32_t>(reader.readDword("height"));
            into.depth = static_cast<std::int32_t>(reader.readDword("depth"));
            return true;
        } catch (const Exception&) {
            return false;
        }
    }

    // The sound values do not depend on each other (unlike width, height and depth, which make one
    // mode): each readable one is taken, an unreadable one keeps the value in memory. True when all
    // three were read.
    static bool readSoundGroup(const Reader& reader, SoundSettings& into)
    {
        bool all = true;
        auto read = [&](const char* name, auto assign) {
            try {
                assign(reader.readDword(name));
            } catch (const Exception&) {
                all = false;
            }
        };
        read("Music", [&](std::uint32_t value) { into.musicEnabled = value != 0; });
        read("Sound", [&](std::uint32_t value) { into.soundEnabled = value != 0; });
        read("Volume", [&](std::uint32_t value) { into.volume = static_cast<std::int32_t>(value); });
        return all;
    }

    void writeDisplay(Writer& writer) const
    {
        writer.writeDword("width", static_cast<std::uint32_t>(mode.width));
        writer.writeDword("height", static_cast<std::uint32_t>(mode.height));
        writer.writeDword("depth", static_cast<std::uint32_t>(mode.depth));
    }

    void writeSound(Writer& writer) const
    {
        writer.writeDword("Music", sound.musicEnabled ? 1 : 0);
        writer.writeDword("Sound", sound.soundEnabled ? 1 : 0);
        writer.writeDword("Volume", static_cast<std::uint32_t>(sound.volume));
    }

    void saveChanges()
    {
        bool display = !sameDisplay(mode, storedMode);
        bool audio = !sameSound(sound, storedSound);
        if (!display || !audio) {
            Reader reader(path);  // creates the key when it has gone
            DisplayMode ignoredMode;
            SoundSettings ignoredSound;
            display = display || !readDisplay(reader, ignoredMode);
            audio = audio || !readSoundGroup(reader, ignoredSound);
        }
        if (!display && !audio)
            return;
        Writer writer(path);
        if (display)
            writeDisplay(writer);
        if (audio)
            writeSound(writer);
        writer.commit();
    }

    // One line, whatever the message's lines.
    static void reportSaveFailure(std::string message)
    {
        while (!message.empty() && message.back() == '\n')
            message.pop_back();
        for (std::size_t at = message.find('\n'); at != std::string::npos; at = message.find('\n', at))
            message.replace(at, 1, ": ");
        std::fprintf(stderr, "fernhollow: could not save settings: %s\n", message.c_str());
    }

    DisplayMode mode;
    SoundSettings sound;
    std::string path;
    // The groups as last read from or written to the key; what differs from them is this process's change.
    DisplayMode storedMode;
    SoundSettings storedSound;
};

} // namespace System
