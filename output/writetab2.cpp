// The two-column x-y row.
#include "output/writetab2.h"

#include "common/forms.h"

namespace kestor {

std::string tab2_row(double x, double y) { return strip_blanks(g12_4(x)) + '\t' + strip_blanks(g12_4(y)); }

void writetab2(OutputFile& out, double x, double y) { out.record(tab2_row(x, y)); }

}  // namespace kestor
