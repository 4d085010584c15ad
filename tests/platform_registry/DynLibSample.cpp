// Exports looked up by the dynamic-loading tests.
extern "C" int TwSampleAdd(int a, int b) {
    return a + b;
}

extern "C" const char* TwSampleName() {
    return "sample";
}
