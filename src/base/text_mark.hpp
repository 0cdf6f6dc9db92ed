// N_("…") marks a Russian text kept in a table or a constant for the English catalogue without
// translating it there; it is translated with translate() where it is shown. Safe to include from
// headers (unlike base/translation.hpp, which also defines _()).
#pragma once

#ifndef N_
#define N_(russianText) russianText
#endif
