#include "app/settings/name_list.h"

namespace pellix {

std::vector<std::wstring> SplitNameList(std::wstring_view list, EmptyNames empty) {
    std::vector<std::wstring> names;
    size_t start = 0;
    for (size_t nul = list.find(L'\0'); nul != std::wstring_view::npos;
         nul = list.find(L'\0', start)) {
        if (nul > start || empty == EmptyNames::Keep) {
            names.emplace_back(list.substr(start, nul - start));
        }
        start = nul + 1;
    }
    return names;
}

} // namespace pellix
