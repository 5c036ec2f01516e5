#pragma once

#include "layout.hpp"

namespace print_notice {

// OrvanePag: the print notice.
const notice::Variant& variant();

}  // namespace print_notice
