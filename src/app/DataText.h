#pragma once
// How the data dialogs name a variable's type.
#include "data/DataFile.h"

namespace mirto {

inline const char* TypeName(data::VariableType type) {
  switch (type) {
    case data::VariableType::Numeric: return "numeric";
    case data::VariableType::Text: return "text";
    case data::VariableType::Unknown: break;
  }
  return "no values";
}

}  // namespace mirto
