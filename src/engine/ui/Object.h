#pragma once
#include "engine/ui/IComposite.h"
#include "engine/ui/IRenderableObject.h"

#include <cstdint>
#include <map>
#include <string>

namespace System {

// A named node of the object tree. Children are held by name (byte-wise ascending order, which is
// also the order of every traversal) and are not owned.
class Object : public DesignPatterns::IComposite, public IRenderableObject {
public:
    explicit Object(const std::string& name);
    ~Object() override;

    void add(Object* child) override;
    // Throws Exception "Window not found" when no child has that name.
    Object* find(const std::string& name) override;
    void remove(Object* child) override;
    std::uint32_t reservedQuery() override;
    void setReserved(std::uint32_t value) override;
    virtual void update(double seconds);

    void render(GLDriver& driver) override;
    void prepare(GLDriver& driver) override;

    const std::string& getName() const { return name; }
    const std::map<std::string, Object*>& getChildren() const { return children; }

protected:
    std::string name;
    std::map<std::string, Object*> children;
    std::uint32_t reserved = 0;
};

} // namespace System
