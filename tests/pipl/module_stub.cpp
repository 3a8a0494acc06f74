// Minimal module body; its descriptor comes from the generated ".pipl" source.
extern "C" int duovisPiplStub() {
    return 0;
}
