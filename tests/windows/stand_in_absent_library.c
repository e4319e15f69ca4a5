/* A library that the stand-in client needs and that is not shipped beside it. */
__declspec(dllexport) int velmoraAbsentLibraryAnswer(void) { return 0; }
