#pragma once
// An Object that writes every call it receives into a shared journal before passing it on.
#include "engine/Exception.h"
#include "engine/ui/Form.h"
#include "engine/ui/Object.h"

#include <string>
#include <vector>

using Journal = std::vector<std::string>;

class Recorder : public System::Object {
public:
    Recorder(const std::string& name, Journal& journal) : Object(name), journal(journal) {}
    ~Recorder() override { journal.push_back("destroyed " + name); }

    void update(double seconds) override
    {
        journal.push_back("update " + name);
        Object::update(seconds);
    }
    void render(System::GLDriver& driver) override
    {
        journal.push_back("render " + name);
        Object::render(driver);
    }
    void prepare(System::GLDriver& driver) override
    {
        journal.push_back("prepare " + name);
        if (failPrepare)
            throw System::Exception("cannot prepare " + name);
        Object::prepare(driver);
    }

    bool failPrepare = false;

private:
    Journal& journal;
};

// A form that records instead of drawing, so the managers can be driven without a GL context.
class RecordingForm : public System::UI::Form {
public:
    RecordingForm(const std::string& name, Journal& journal) : Form(name), journal(journal) {}

    void update(double seconds) override
    {
        journal.push_back("update " + name);
        Form::update(seconds);
    }
    void render(System::GLDriver&) override { journal.push_back("render " + name); }
    void prepare(System::GLDriver&) override { journal.push_back("prepare " + name); }

private:
    Journal& journal;
};
