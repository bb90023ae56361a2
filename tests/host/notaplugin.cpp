// A shared library without the plugin entry points.
extern "C" int notAPluginFunction() {
    return 1;
}
