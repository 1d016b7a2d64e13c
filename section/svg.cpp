#include <string>
namespace section { std::string placeholder() { return {}; } }
