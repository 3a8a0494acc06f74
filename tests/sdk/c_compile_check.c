/* Compiles every SDK header as C and records the layout the C compiler gives. */
#include "sdk_layout_facts.h"

#define SDK_AS_VALUE(expr) (size_t)(expr),

const size_t sdk_c_layout_facts[] = {SDK_LAYOUT_FACTS(SDK_AS_VALUE)};
const size_t sdk_c_layout_fact_count = sizeof(sdk_c_layout_facts) / sizeof(sdk_c_layout_facts[0]);
