#pragma once

#include <windows.h>

#include <unknwn.h>

// What every COM object of the program does the same way: it answers
// QueryInterface for each of its `Interfaces` (the first one standing for
// IUnknown too), counts its references, and deletes itself with the last.
// One starts with a single reference, its maker's.
template <class First, class... Others> class ComObject : public First, public Others... {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        void* found = nullptr;
        const auto offer = [&](REFIID iid, void* answer) {
            if (found == nullptr && riid == iid) {
                found = answer;
            }
        };
        offer(__uuidof(IUnknown), static_cast<First*>(this));
        offer(__uuidof(First), static_cast<First*>(this));
        (offer(__uuidof(Others), static_cast<Others*>(this)), ...);
        *object = found != nullptr ? found : alsoAnswers(riid);
        if (*object == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_references;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    virtual ~ComObject() = default;

    // Another interface the object answers for, such as a base of one of its
    // interfaces; null for none.
    virtual void* alsoAnswers(REFIID) { return nullptr; }

private:
    ULONG m_references = 1;
};
