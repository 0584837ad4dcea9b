// A tiny module with one shader that does everything right but one thing, chosen by
// OMBREL_FAULT when it is built: the validator must catch that fault with the right check.
// Built once per fault by tests/CMakeLists.txt; OMBREL_FAULT 0 builds the sound shader.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <new>
#include <thread>

#include "c4d_symbols.h"
#include "sdk.h"
#include "xbroken.h"

#define FAULT_NONE 0
#define FAULT_ALLOCATES_FROM_HOST 1  // Output takes a block from the host's allocator
#define FAULT_ALLOCATES_WITH_NEW 2   // Output allocates through the C++ runtime
#define FAULT_RACE 3                 // Output keeps its intermediate result in a member
#define FAULT_LEAK 4                 // each node keeps a block its destructor forgets
#define FAULT_KEEPS_POINT 5          // Output moves cd->p and leaves it moved
#define FAULT_NAN 6                  // the square root of a scale below its limit
#define FAULT_NO_DEFAULT 7           // Init leaves the scale out
#define FAULT_NULL_LINK 8            // the render set-up uses the input link unchecked
#define FAULT_EXTRA_EXPORT 9         // a debugging hook left visible beside c4d_main
#define FAULT_DATA_ENTRY 10          // c4d_main is a pointer to the entry, data rather than code
#define FAULT_START_CRASH 11         // the plug-in start writes through a null pointer
#define FAULT_START_EXIT 12          // the plug-in start ends the process with exit code 0
#define FAULT_START_HANG 13          // the plug-in start never returns
#define FAULT_INIT_RENDER_HANG 14    // the render set-up never returns
#define FAULT_OUTPUT_HANG 15         // Output never returns

#ifndef OMBREL_FAULT
#define OMBREL_FAULT FAULT_NONE
#endif

#if defined(_WIN32)
#define BROKEN_EXPORT __declspec(dllexport)
#else
#define BROKEN_EXPORT __attribute__((visibility("default")))
#endif

namespace {

constexpr LONG ID_BROKEN = 1099901;

#if OMBREL_FAULT == FAULT_START_HANG || OMBREL_FAULT == FAULT_INIT_RENDER_HANG || OMBREL_FAULT == FAULT_OUTPUT_HANG
// Sleeps rather than spins, so a hung module costs the machine nothing while the validator
// waits for its timeout; volatile, so the compiler cannot prove the loop ends.
void Hang() {
  static volatile bool forever = true;
  while (forever) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}
#endif

class BrokenShader : public ShaderData {
 public:
  static NodeData* Alloc() { return gNew(BrokenShader); }
  ~BrokenShader() override {
#if OMBREL_FAULT != FAULT_LEAK
    GeFree(kept_);
#endif
  }

  Bool Init(GeListNode* node) override {
    BaseContainer* data = static_cast<BaseList2D*>(node)->GetDataInstance();
    data->SetLink(XBROKEN_INPUT, nullptr);
#if OMBREL_FAULT != FAULT_NO_DEFAULT
    data->SetReal(XBROKEN_SCALE, 1.0);
#endif
    kept_ = GeAlloc(16);
    return TRUE;
  }

  LONG InitRender(BaseShader* sh, const InitRenderStruct& irs) override {
    // A link that leads back here must not set this shader up again from within itself.
    if (settingUp_) return 1;
    settingUp_ = true;
#if OMBREL_FAULT == FAULT_INIT_RENDER_HANG
    Hang();
#endif
    const BaseContainer* data = sh->GetDataInstance();
    input_ = static_cast<BaseShader*>(data->GetLink(XBROKEN_INPUT, irs.doc, HOST_BASETYPE_SHADER));
#if OMBREL_FAULT == FAULT_NULL_LINK
    // Takes the input for one of its own kind and reads its plug-in object unchecked.
    inputScale_ = static_cast<BrokenShader*>(input_->GetNodeData())->scale_;
#endif
    if (input_ && input_->InitRender(irs) != INITRENDERRESULT_OK) input_ = nullptr;
    scale_ = data->GetReal(XBROKEN_SCALE, 1.0);
    settingUp_ = false;
    return INITRENDERRESULT_OK;
  }

  void FreeRender(BaseShader* sh) override {
    (void)sh;
    if (input_) input_->FreeRender();
    input_ = nullptr;
  }

  Vector Output(BaseShader* sh, ChannelData* cd) override {
    (void)sh;
#if OMBREL_FAULT == FAULT_OUTPUT_HANG
    Hang();
#endif
    Vector c = input_ ? input_->Sample(cd) : Vector(Clamp(cd->p.x), Clamp(cd->p.y), 0.5);
#if OMBREL_FAULT == FAULT_ALLOCATES_FROM_HOST
    void* scratch = GeAlloc(64);
    GeFree(scratch);
#elif OMBREL_FAULT == FAULT_ALLOCATES_WITH_NEW
    void* scratch = ::operator new(64);
    ::operator delete(scratch);
#elif OMBREL_FAULT == FAULT_RACE
    // Shared by every render thread: another thread's sample lands here in between.
    shared_ = c.x;
    for (int i = 0; i < 200; ++i) spin_ = spin_ * 0.5 + 1.0;
    c.x = shared_;
#elif OMBREL_FAULT == FAULT_KEEPS_POINT
    cd->p.x += 0.25;
#endif
#if OMBREL_FAULT == FAULT_NAN
    const Real factor = std::sqrt(scale_);
#else
    const Real factor = std::sqrt(scale_ > 0.0 ? scale_ : 0.0);
#endif
    return Vector(Finite(c.x) * factor, Finite(c.y) * factor, Finite(c.z) * factor);
  }

 private:
  static Real Clamp(Real x) { return x > 1.0 ? 1.0 : (x >= 0.0 ? x : 0.0); }
  static Real Finite(Real x) { return std::isfinite(x) ? Clamp(x) : 0.0; }

  BaseShader* input_ = nullptr;
  Real scale_ = 1.0;
  void* kept_ = nullptr;
  bool settingUp_ = false;
#if OMBREL_FAULT == FAULT_NULL_LINK
  Real inputScale_ = 0.0;
#elif OMBREL_FAULT == FAULT_RACE
  volatile Real shared_ = 0.0;
  volatile Real spin_ = 0.0;
#endif
};

LONG g_initCount = 0;
Filename* g_modulePath = nullptr;

}  // namespace

#if OMBREL_FAULT == FAULT_EXTRA_EXPORT
extern "C" BROKEN_EXPORT LONG broken_debug_hook() { return g_initCount; }
#endif

namespace {

LONG ModuleMain(LONG action, void* p1, void* p2, void* p3) {
  (void)p2;
  switch (action) {
    case HOST_ACTION_INIT: {
      if (++g_initCount != 1) return SdkHost() ? 1 : -3;
      const HostApi* host = static_cast<const HostApi*>(p1);
      if (!host || host->version < HOST_API_MIN_VERSION || !p3 || !SdkHostTableComplete(host)) return -3;
      SdkSetHost(host);
      g_modulePath = gNew(Filename);
      if (g_modulePath) g_modulePath->SetString(String(*static_cast<const HostStr*>(p3)));
      return 1;
    }
    case HOST_ACTION_MESSAGE:
      if (reinterpret_cast<intptr_t>(p1) != 1) return 1;
      if (!SdkHost()) return -1;
      return gModuleResource.Init(g_modulePath ? g_modulePath->GetDirectory() : Filename()) ? 1 : -1;
    case HOST_ACTION_START:
      if (!SdkHost()) return -1;
#if OMBREL_FAULT == FAULT_START_CRASH
      *static_cast<volatile LONG*>(nullptr) = g_initCount;
#elif OMBREL_FAULT == FAULT_START_EXIT
      std::exit(0);
#elif OMBREL_FAULT == FAULT_START_HANG
      Hang();
#endif
      RegisterShaderPlugin(ID_BROKEN, GeLoadString(IDS_BROKEN), 0, BrokenShader::Alloc, "xbroken", 0);
      return 1;
    case HOST_ACTION_END:
      if (g_initCount <= 0 || --g_initCount != 0) return 1;
      gModuleResource.Free();
      if (g_modulePath) gDelete(g_modulePath);
      SdkSetHost(nullptr);
      return 1;
    default:
      return -1;
  }
}

}  // namespace

#if OMBREL_FAULT == FAULT_DATA_ENTRY
// A pointer where the function belongs: the loader finds the name, and a host that calls it
// jumps into the pointer's bytes.
extern "C" BROKEN_EXPORT LONG (*const c4d_main)(LONG, void*, void*, void*) = ModuleMain;
#else
extern "C" BROKEN_EXPORT LONG c4d_main(LONG action, void* p1, void* p2, void* p3) {
  return ModuleMain(action, p1, p2, p3);
}
#endif
