#pragma once

#include "layout.hpp"

namespace message_notice {

// OrvaneMessage: the message notice.
const notice::Variant& variant();

}  // namespace message_notice
