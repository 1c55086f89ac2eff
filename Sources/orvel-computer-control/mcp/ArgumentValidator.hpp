// Checks a tool's arguments against its input schema before anything reaches the engine, and
// says in plain words what does not fit. Built on valijson (draft 7 semantics; the schemas keep
// to what draft 7 and 2020-12 read alike).
//
// Immutable after construction; `problems` may be called from any thread.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <memory>
#include <string>
#include <vector>

namespace valijson {
class Schema;
}

namespace orvel::mcp {

class ArgumentValidator {
  public:
    // Throws std::runtime_error when the schema itself cannot be read.
    explicit ArgumentValidator(const Json& schema);
    ~ArgumentValidator();
    ArgumentValidator(ArgumentValidator&&) noexcept;
    ArgumentValidator& operator=(ArgumentValidator&&) noexcept;

    // Empty when the arguments fit; otherwise the most specific problems, such as
    // "action.elementId: missing required property".
    std::vector<std::string> problems(const Json& arguments) const;

  private:
    std::unique_ptr<valijson::Schema> schema_;
};

} // namespace orvel::mcp
