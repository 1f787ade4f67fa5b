// Writing and reading component streams the size of a busy page: a root with a few hundred
// children, each with a handful of properties and a nested object.

#include "platform/ClassRegistry.h"
#include "platform/Component.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"

#include <benchmark/benchmark.h>

namespace {

class TBenchFill : public TPersistent {
    QUORLANE_CLASS(TBenchFill, TPersistent)

public:
    static void DeclareProperties(TPropertyBuilder<TBenchFill>& p) {
        p.Color("Color", &TBenchFill::color, &TBenchFill::color).Default(0);
        p.Integer("GradAngle", &TBenchFill::angle, &TBenchFill::angle).Default(270);
    }
    TColor color = 0;
    int angle = 270;
};

class TBenchObject : public TComponent {
    QUORLANE_CLASS(TBenchObject, TComponent)

public:
    using TComponent::TComponent;
    static void DeclareProperties(TPropertyBuilder<TBenchObject>& p) {
        p.Integer("Left", &TBenchObject::left, &TBenchObject::left);
        p.Integer("Top", &TBenchObject::top, &TBenchObject::top);
        p.Integer("Width", &TBenchObject::width, &TBenchObject::width);
        p.Integer("Height", &TBenchObject::height, &TBenchObject::height);
        p.String("Caption", &TBenchObject::caption, &TBenchObject::caption);
        p.Float("Angle", &TBenchObject::angle, &TBenchObject::angle);
        p.Object("FillColor", &TBenchObject::Fill);
    }
    void GetChildren(const TGetChildProc& proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i)
            proc(Components(i));
    }
    TBenchFill* Fill() { return &fill; }
    int left = 0, top = 0, width = 0, height = 0;
    QString caption;
    double angle = 0;
    TBenchFill fill;
};

QByteArray MakePage(int objects) {
    static const bool registered = (RegisterClass<TBenchObject>(), true);
    (void)registered;
    TBenchObject root(nullptr);
    for (int i = 0; i < objects; ++i) {
        auto* o = new TBenchObject(&root);
        o->left = i * 10;
        o->top = 70000 + i;
        o->width = 500;
        o->height = 300;
        o->caption = QStringLiteral("写真 %1").arg(i);
        o->angle = i * 0.5;
        o->fill.color = 0x336699;
    }
    TMemoryStream s;
    WriteComponent(s, &root);
    return s.Data();
}

void BM_WritePage(benchmark::State& state) {
    const QByteArray bytes = MakePage(static_cast<int>(state.range(0)));
    TMemoryStream source(bytes);
    std::unique_ptr<TComponent> page = ReadComponent(source);
    for (auto _ : state) {
        TMemoryStream s;
        WriteComponent(s, page.get());
        benchmark::DoNotOptimize(s.GetSize());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_WritePage)->Arg(50)->Arg(500)->UseRealTime()->MeasureProcessCPUTime();

void BM_ReadPage(benchmark::State& state) {
    const QByteArray bytes = MakePage(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TMemoryStream s(bytes);
        std::unique_ptr<TComponent> page = ReadComponent(s);
        benchmark::DoNotOptimize(page.get());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ReadPage)->Arg(50)->Arg(500)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
