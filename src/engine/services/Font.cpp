// Interim: the bitmap font comes with the font work; until then a font is only its name, so the
// resource manager's font cache links.
#include "engine/services/Font.h"

#include "engine/Texture.h"

namespace System {

Font::Font(const std::string& name, ResourceBlock) : name(name)
{
}

Font::Font(const std::string& name, std::unique_ptr<Texture> texture) : name(name), texture(std::move(texture))
{
}

Font::~Font() = default;

} // namespace System
