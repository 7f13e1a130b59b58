/* Exports the first name of the avcodec list and nothing after it, plus two
   names for the generic binding tests. */
unsigned avcodec_version(void) { return 59u << 16; }
int v2m_fake_present(void) { return 42; }
int v2m_fake_counter = 7;
