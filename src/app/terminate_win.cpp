// What runs if an exception ever escapes everything (the window procedures catch all, so this is a
// last resort): end the process. GCC's default handler prints the exception's demangled type name,
// which drags the demangler and printf into the exe: a quarter of its size for a message nobody sees
// in a windowed program.
#include <cstdlib>

#if defined(__GNUC__) && !defined(__clang__)
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx
#endif
