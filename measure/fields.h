// Control identifiers of the main window's value fields, which the reader
// writes from its own thread.
#pragma once

namespace swr {

enum ValueFieldId : int {
  PowerField = 1,
  SwrField = 2,
  ForwardField = 3,
  ActiveSensorField = 4,
  ReflectedField = 14,
};

}  // namespace swr
