// The coded stop of a telm run. The routine that meets the condition prints
// its console messages and throws CodedStop; the program flow then prints
// "Return code <code>" and ends with that exit status (100, 199, 200).
#pragma once

namespace telm {

struct CodedStop {
  int code;
};

}  // namespace telm
