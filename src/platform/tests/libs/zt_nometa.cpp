// A plain shared library: no plug-in metadata at all.
extern "C" int zt_nometa_answer()
{
    return 42;
}
