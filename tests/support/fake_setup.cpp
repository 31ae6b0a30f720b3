// Stands in for the browser's setup program in the trust tests: only its
// resources and signatures matter, so it does nothing when run.
int main() { return 0; }
