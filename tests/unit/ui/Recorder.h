#pragma once
// Test doubles for the object tree: an Object and a Form that journal the calls they receive, and a
// listener tap that turns every input signal into text.
#include "base/Exception.h"
#include "engine/ui/Form.h"

#include <string>
#include <vector>

using Journal = std::vector<std::string>;

class Recorder : public System::Object {
public:
    Recorder(const std::string& name, Journal& journal) : Object(name), journal(journal) {}
    ~Recorder() override { journal.push_back("destroyed " + name); }

    void update(double s) override { journal.push_back("update " + name); Object::update(s); }
    void render(System::GLDriver& d) override { journal.push_back("render " + name); Object::render(d); }
    void prepare(System::GLDriver& d) override
    {
        journal.push_back("prepare " + name);
        if (failPrepare)
            throw System::Exception("cannot prepare " + name);
        Object::prepare(d);
    }

    bool failPrepare = false;

private:
    Journal& journal;
};

// Records instead of drawing, so the managers run without a GL context.
class RecordingForm : public System::UI::Form {
public:
    RecordingForm(const std::string& name, Journal& journal) : Form(name), journal(journal) {}

    void update(double s) override { journal.push_back("update " + name); Form::update(s); }
    void render(System::GLDriver&) override { journal.push_back("render " + name); }
    void prepare(System::GLDriver&) override { journal.push_back("prepare " + name); }

private:
    Journal& journal;
};

inline void tap(System::IO::KeyListener& l, Journal& events, const std::string& who)
{
    using std::to_string;
    l.onKeyDown.connect([&events, who](unsigned long c) { events.push_back(who + " down " + to_string(c)); });
    l.onKeyUp.connect([&events, who](unsigned long c) { events.push_back(who + " up " + to_string(c)); });
    l.onMouseMove.connect([&events, who](System::Point p) {
        events.push_back(who + " move " + to_string(p.x) + "," + to_string(p.y));
    });
    l.onMouseWheel.connect([&events, who](int m) { events.push_back(who + " wheel " + to_string(m)); });
    l.onKeyPressed.connect(
        [&events, who](unsigned long c, char ch) { events.push_back(who + " pressed " + to_string(c) + ch); });
    l.onKeyReleased.connect(
        [&events, who](unsigned long c, char ch) { events.push_back(who + " released " + to_string(c) + ch); });
}
