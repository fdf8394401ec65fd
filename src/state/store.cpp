#include "state/store.hpp"

namespace r7 {

constinit Base base;
Astro astro;

} // namespace r7
