// The sibling that the origin loader finds in its own folder.
__attribute__((noinline, used, visibility("default"))) int kestrune_origin_sibling_value(void) {
    return 7;
}
