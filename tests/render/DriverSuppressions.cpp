// Mesa's software renderer runs its own worker threads, which ThreadSanitizer does not see
// synchronising; its reports inside the driver are not this engine's.
extern "C" const char* __tsan_default_suppressions() {
  return "race:swrast_dri.so\nrace:libgallium\nrace:libLLVM\nrace:libGLX_mesa.so\n";
}
