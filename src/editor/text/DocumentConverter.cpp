#include "editor/text/DocumentConverter.h"

namespace zk {

DocumentConverter::~DocumentConverter() = default;

} // namespace zk
