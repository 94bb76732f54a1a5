// Options the address sanitizer reads before ASAN_OPTIONS, so that every run
// of a fuzz target has them, whoever starts it; ASAN_OPTIONS still overrides
// each one.
//
// malloc_context_size=2: the sanitizer keeps the stack of every allocation
// and free in a depot it never empties, and records them with a frame-pointer
// walk. Qt is built without frame pointers: QArrayData::allocate, which
// allocates every QString, holds a pointer into its caller's frame in that
// register, so the walk reads the caller's local variables as one more
// frame, a different return address on nearly every call. Each execution
// then stored new stacks, about 1 KB of them, until the target hit its memory
// limit. Below a Qt frame the walk is not to be trusted past the allocation
// function and its caller; keeping those two bounds the depot to one entry
// per call site.
// For full stacks, replay a finding with
// ASAN_OPTIONS=malloc_context_size=30:fast_unwind_on_malloc=0.
extern "C" const char* __asan_default_options() {
    return "malloc_context_size=2";
}
