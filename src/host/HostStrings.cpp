#include "HostStrings.h"

#include <algorithm>
#include <cstring>

namespace duovis {

void copyHostString(const PF_InData* in, A_char* dest, std::size_t destSize, const char* src) {
    if (!dest || destSize == 0) return;
    char bounded[PF_MAX_EFFECT_MSG_LEN + 1] = {};
    const std::size_t room = std::min(destSize, sizeof bounded) - 1;
    std::strncpy(bounded, src ? src : "", room);
    bounded[room] = '\0';
    if (in && in->utils && in->utils->ansi.strcpy) {
        in->utils->ansi.strcpy(dest, bounded);
    } else {
        std::memcpy(dest, bounded, room + 1);
    }
}

void reportToUser(const PF_InData* in, PF_OutData* out, const char* message) {
    out->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    copyHostString(in, out->return_msg, sizeof out->return_msg, message);
}

}  // namespace duovis
