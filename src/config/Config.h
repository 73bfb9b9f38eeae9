#pragma once
// The engine's settings, the display mode and the sound settings, kept in one registry key through a
// reader policy and a writer policy (plain classes constructed from the key path; see RegistryReader
// and RegistryWriter for the calls used).
#include "base/Exception.h"
#include "base/Types.h"
#include "config/SettingsTable.h"
#include "engine/EngineSettings.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>

namespace System {

template <class Reader, class Writer>
class Config : public EngineSettings {
public:
    // Starts from the defaults and loads the key; throws what the reader throws when the key can be
    // neither opened nor created.
    explicit Config(std::string keyPath) : path(std::move(keyPath))
    {
        mode = defaultsOf(DisplayRows);
        mode.fullScreen = false;
        sound = defaultsOf(SoundRows);
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

    // The display group (width, height, depth: one mode) replaces the values in memory only when all
    // three can be read. The sound values do not depend on each other: each readable one is taken, an
    // unreadable one keeps the value in memory.
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

    DisplayMode displayMode() const override { return mode; }
    void setDisplayMode(const DisplayMode& value) { mode = value; }
    SoundSettings soundSettings() const override { return sound; }
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
    // Equal in every stored value (a display mode's fullScreen is not stored).
    template <class Group, std::size_t N>
    static bool same(const Setting<Group> (&rows)[N], const Group& a, const Group& b)
    {
        for (const Setting<Group>& row : rows)
            if (row.get(a) != row.get(b))
                return false;
        return true;
    }

    // All the group's values, or false (and into partly changed) when one cannot be read.
    template <class Group, std::size_t N>
    static bool readGroup(const Reader& reader, const Setting<Group> (&rows)[N], Group& into)
    {
        try {
            for (const Setting<Group>& row : rows)
                row.set(into, static_cast<std::int32_t>(reader.readDword(row.name)));
            return true;
        } catch (const Exception&) {
            return false;
        }
    }

    // Each readable value of the group; true when all of them were read.
    template <class Group, std::size_t N>
    static bool readEach(const Reader& reader, const Setting<Group> (&rows)[N], Group& into)
    {
        bool all = true;
        for (const Setting<Group>& row : rows) {
            try {
                row.set(into, static_cast<std::int32_t>(reader.readDword(row.name)));
            } catch (const Exception&) {
                all = false;
            }
        }
        return all;
    }

    template <class Group, std::size_t N>
    static void writeGroup(Writer& writer, const Setting<Group> (&rows)[N], const Group& group)
    {
        for (const Setting<Group>& row : rows)
            writer.writeDword(row.name, static_cast<std::uint32_t>(row.get(group)));
    }

    static bool readDisplay(const Reader& reader, DisplayMode& into) { return readGroup(reader, DisplayRows, into); }
    static bool readSoundGroup(const Reader& reader, SoundSettings& into) { return readEach(reader, SoundRows, into); }
    void writeDisplay(Writer& writer) const { writeGroup(writer, DisplayRows, mode); }
    void writeSound(Writer& writer) const { writeGroup(writer, SoundRows, sound); }

    void saveChanges()
    {
        bool display = !same(DisplayRows, mode, storedMode);
        bool audio = !same(SoundRows, sound, storedSound);
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
