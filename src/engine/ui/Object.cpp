#include "engine/ui/Object.h"

#include "base/Exception.h"

namespace System {

Object::Object(const std::string& name) : name(name)
{
}

Object::~Object() = default;

void Object::add(Object* child)
{
    if (child)
        children[child->name] = child;
}

Object* Object::find(const std::string& childName)
{
    auto found = children.find(childName);
    if (found == children.end())
        throw Exception("Window not found");
    return found->second;
}

void Object::remove(Object* child)
{
    if (child)
        children.erase(child->name);
}

std::uint32_t Object::reservedQuery()
{
    return 0;
}

void Object::setReserved(std::uint32_t value)
{
    reserved = value;
}

void Object::update(double seconds)
{
    for (auto& child : children)
        child.second->update(seconds);
}

void Object::render(GLDriver& driver)
{
    for (auto& child : children)
        child.second->render(driver);
}

void Object::prepare(GLDriver& driver)
{
    for (auto& child : children)
        child.second->prepare(driver);
}

} // namespace System
