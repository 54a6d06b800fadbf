#include "clsCodeSearch.h"

namespace tarvik::hospital {

void clsCodeSearch::Initialize_Classes()
{
    m_initialized = true;
}

} // namespace tarvik::hospital
