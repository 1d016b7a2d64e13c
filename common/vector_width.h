// Included first by every source compiled once per vector width (see
// rm_add_width_kernels in the top CMakeLists.txt): checks that the width the
// build passes in RM_VECTOR_BYTES is one the kernels are written for and
// that the instruction set it needs is enabled for this copy.
#pragma once

#ifndef RM_VECTOR_BYTES
#error "compile with RM_VECTOR_BYTES set to 16, 32 or 64"
#endif

static_assert(RM_VECTOR_BYTES == 16 || RM_VECTOR_BYTES == 32 || RM_VECTOR_BYTES == 64);
#if RM_VECTOR_BYTES == 64 && !defined(__AVX512F__)
#error "the 64-byte kernels need AVX-512F"
#endif
#if RM_VECTOR_BYTES == 32 && defined(__x86_64__) && !defined(__AVX__)
#error "the 32-byte kernels need AVX"
#endif
