// The secondary potentials of a survey's unit sources at its receivers: for
// every receiver r and source s the sum over the elements j of
// row_r[j]*sigma_s[j], the row the receiver's element potentials
// (potentials.h, element_fields.h) and sigma_s the charge densities solved
// for source s. The sums run over the sources in vector registers, a block
// of receivers at a time, so that each density read serves several rows;
// each sum is still taken in increasing j, one rounding per term, as a
// plain loop takes it.
#pragma once

#include <cstddef>
#include <vector>

namespace korvis {

// secondary[s*R + r] += w * (sum over j < n, in increasing j, of
// rows[r][j]*double(sigma[s*ld + j])) for r < R = rows.size(), s < S, in
// double. On `threads` threads (<= 0: all); the values do not depend on
// the count.
void addSecondarySums(const std::vector<const double*>& rows, std::size_t n, const float* sigma,
                      std::size_t ld, std::size_t S, double w, int threads,
                      std::vector<double>& secondary);

}  // namespace korvis
