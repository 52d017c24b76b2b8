// The import library's Mavro_* functions: each loads libvendaro.so on its
// first call, finds its namesake there once, and calls it; without the
// library it returns the function's failure value.
#include "VendaroFunctions.h"
#include "VendaroLibrary.h"

#define VENDARO_TRAMPOLINE(type, name, failure, parameters, arguments)                                                 \
    extern "C" type name parameters                                                                                    \
    {                                                                                                                  \
        static const auto real = reinterpret_cast<decltype(&name)>(vendaro_import::Resolve(#name));                    \
        return real ? real arguments : static_cast<type>(failure);                                                     \
    }

VENDARO_FUNCTIONS(VENDARO_TRAMPOLINE)
