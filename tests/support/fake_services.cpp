#include "support/fake_services.h"

namespace zorvan::testing {

FakeServices::Function numeric(double (*f)(double)) {
  return [f](const Value& x) { return Value(f(x.toDouble())); };
}

}  // namespace zorvan::testing
