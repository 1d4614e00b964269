// Lists of names as the private-profile functions return them: every name
// followed by one NUL character.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pellix {

enum class EmptyNames { Keep, Skip };

// Splits a NUL-terminated name list into its names, in order. A final name
// without its NUL (the cut end of a list that did not fit) is left out.
std::vector<std::wstring> SplitNameList(std::wstring_view list, EmptyNames empty);

} // namespace pellix
