// The interpreter's uses of the variable table: frame levels, declarations, deletions, result
// values and their stream form, and the variable dump of headless runs. Kept in one place so the
// commands depend on a few plain functions rather than on the value classes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/byte_reader.h"

namespace kuzo {

class TParamCollection;
class TCustomParam;
class Expr;

void SetFrameLevel(TParamCollection& vars, int32_t level);
void DeleteOwnedBy(TParamCollection& vars, int32_t level);
// Deletes the variable with that name if it exists.
void DeleteVariable(TParamCollection& vars, const std::string& name);
// Frees every variable that is neither a system nor a status variable.
void ClearVariables(TParamCollection& vars);

// A fresh value of a type code (1 integer, 2 float, 3 flag, 4 string); nullptr for other codes.
std::unique_ptr<TCustomParam> NewValue(uint8_t type);
// Copies a value into the named variable (converted to the variable's type) when it exists.
void AssignToVariable(TParamCollection& vars, const std::string& name, const TCustomParam& value);
// Byte type code (0 = none), then the value in its stream form.
void WriteResultValue(ByteWriter& w, const TCustomParam* value);
std::unique_ptr<TCustomParam> ReadResultValue(ByteReader& r);

// Declares a variable for the variable-declaring command: scope 0 global, 1 owned by the current
// stack depth, 2 local to it, 3 status. Raises for an empty or invalid name.
void DeclareVariable(TParamCollection& vars, const std::string& name, uint8_t type, uint8_t scope,
                     int32_t stackDepth, Expr& initial);

// One line per variable that is neither a system variable nor a temporary, sorted by name
// without regard to ASCII case: NAME, TYPECODE, DIMS ("-" or sizes joined by ","), the elements'
// string forms; tab-separated with \\ \t \r \n escaped.
std::string DumpVariables(TParamCollection& vars);

}  // namespace kuzo
