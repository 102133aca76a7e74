// A libSonarch2.so as the libraries before interface revisions were: its
// DllGetClassObject compares the whole request with the class id and hands
// out a factory of another layout. A host that took that factory would call
// into the wrong functions; here each of them aborts, so such a call fails
// the test that loads this library.

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class COldFactory {
public:
    virtual uint32_t AddRef() { std::abort(); }
    virtual uint32_t Release() { std::abort(); }
    virtual int32_t CreateInstance(void*, void**) { std::abort(); }

protected:
    ~COldFactory() = default;
};

class CStaticOldFactory final : public COldFactory {};

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t DllGetClassObject(const char* classId, void** factory)
{
    if (!factory)
        return static_cast<int32_t>(0x80004003u);
    *factory = nullptr;
    if (!classId || std::strcmp(classId, "{6B0C3E52-5A7D-4E21-9C1B-7F3A2D8E4B02}") != 0)
        return static_cast<int32_t>(0x80040111u);  // CLASS_E_CLASSNOTAVAILABLE
    static CStaticOldFactory s_factory;
    *factory = &s_factory;
    return 0;
}
