#include "GpuFixture.h"

#include "GpuFrame.h"

namespace duovis::gputest {

void setEntry(refhost::ParamStore& params, int position, double value) {
    switch (params.at(position).param_type) {
        case PF_Param_POPUP:
            params.setPopup(position, A_long(value));
            break;
        case PF_Param_CHECKBOX:
            params.setCheckbox(position, value != 0.0);
            break;
        case PF_Param_FLOAT_SLIDER:
            params.setFloat(position, value);
            break;
        default:
            ADD_FAILURE() << "entry " << position << " takes no value";
    }
}

void resetEntries(refhost::ParamStore& params) {
    for (int i = 1; i < params.count(); ++i) {
        const PF_ParamDef& d = params.at(i);
        if (d.param_type == PF_Param_POPUP) params.setPopup(i, d.u.pd.dephault);
        if (d.param_type == PF_Param_CHECKBOX) params.setCheckbox(i, d.u.bd.dephault != 0);
        if (d.param_type == PF_Param_FLOAT_SLIDER) params.setFloat(i, d.u.fs_d.dephault);
    }
}

World halfRounded(const World& world) {
    World out(world.width(), world.height(), PixelFormat::Bgra32f);
    const auto r = [](float v) { return refhost::gpu::floatFromHalf(refhost::gpu::halfFromFloat(v)); };
    for (int y = 0; y < world.height(); ++y)
        for (int x = 0; x < world.width(); ++x) {
            const PF_Pixel_BGRA_32f p = world.bgra(x, y);
            out.setBgra(x, y, PF_Pixel_BGRA_32f{r(p.blue), r(p.green), r(p.red), r(p.alpha)});
        }
    return out;
}

std::string Difference::describe() const {
    std::ostringstream os;
    if (!sameSize) return "sizes differ";
    static const char* names[] = {"blue", "green", "red", "alpha"};
    os << "worst " << worst;
    if (channel >= 0) os << " at (" << x << ", " << y << ") " << names[channel] << ": " << a << " vs " << b;
    return os.str();
}

Difference compare(const World& a, const World& b, int ax, int ay, int bx, int by, int w, int h) {
    Difference d;
    if (w < 0) {
        w = a.width();
        h = a.height();
        d.sameSize = a.width() == b.width() && a.height() == b.height();
        if (!d.sameSize) return d;
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const PF_Pixel_BGRA_32f p = a.bgra(ax + x, ay + y), q = b.bgra(bx + x, by + y);
            const float pa[4] = {p.blue, p.green, p.red, p.alpha}, qa[4] = {q.blue, q.green, q.red, q.alpha};
            for (int c = 0; c < 4; ++c) {
                double diff = std::fabs(double(pa[c]) - double(qa[c]));
                if (std::isnan(diff)) diff = INFINITY;  // a NaN on one side only is the worst
                if (diff > d.worst) {
                    d.worst = diff;
                    d.x = ax + x;
                    d.y = ay + y;
                    d.channel = c;
                    d.a = pa[c];
                    d.b = qa[c];
                }
            }
        }
    return d;
}

}  // namespace duovis::gputest
