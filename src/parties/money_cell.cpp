// Money cells typed in a grid: one decimal comma and at most nine digits in all.
#include "module/frm_contratante.h"
#include "platform/dataset/format.h"
#include "platform/ui/text_compare.h"

#include <algorithm>
#include <cmath>

namespace ct {
namespace {

bool isDigit(char32_t key) {
    return key >= U'0' && key <= U'9';
}

} // namespace

void TfrmContratante::Vd_Virgula(DBGrid& dbgGrid, std::string_view Coluna, char32_t& Key) {
    Field* selected = dbgGrid.selectedField();
    const bool inColumn = selected && textEqualNoCase(selected->name(), Coluna);
    if (inColumn && Key == U',') {
        const std::string typed = GridText(dbgGrid, Coluna, false);
        if (typed.empty() || std::count(typed.begin(), typed.end(), ',') > 0) {
            Key = 0;
            return;
        }
    }

    std::string stGridText = GridText(dbgGrid, Coluna, true);
    if (!isDigit(Key))
        return;
    stGridText += static_cast<char>(Key);
    std::erase_if(stGridText, [](char c) { return c == ',' || c == '.'; });
    // A text that is no number has nothing to compare; its field refuses it when it is written.
    // The digits are counted whatever the sign: a negative value holds nine of them too.
    if (auto number = tryParseNumber(stGridText); number && std::fabs(*number) > 999999999)
        Key = 0;
}

} // namespace ct
