#pragma once
// Text constants of the engine.

namespace System {

constexpr const char* EngineVersion = "Velmora v 0.1.2.1";
constexpr const char* LogCreatedText = "Log created";

} // namespace System
