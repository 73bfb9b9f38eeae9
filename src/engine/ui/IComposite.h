#pragma once
#include <cstdint>
#include <string>

namespace System {
class Object;

namespace DesignPatterns {

// A node with named children.
class IComposite {
public:
    virtual void add(Object* child) = 0;
    virtual Object* find(const std::string& name) = 0;
    virtual void remove(Object* child) = 0;
    virtual std::uint32_t reservedQuery() = 0;
    virtual void setReserved(std::uint32_t value) = 0;
    virtual ~IComposite() = default;
};

} // namespace DesignPatterns
} // namespace System
