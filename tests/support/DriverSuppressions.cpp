// Mesa's software renderer and the sound libraries (OpenAL Soft over PulseAudio or ALSA) run
// their own worker threads, which ThreadSanitizer does not see synchronising; its reports
// inside those libraries are not this engine's.
extern "C" const char* __tsan_default_suppressions() {
  return "race:swrast_dri.so\nrace:libgallium\nrace:libLLVM\nrace:libGLX_mesa.so\n"
         "race:libpulse\nrace:libpulsecommon\nrace:libopenal\nrace:libasound\n";
}
