#include "output/dxf_faces.h"

#include <cstdio>

namespace orv {

void DxfFaceWriter::begin() {
    out_ << "0\nSECTION\n2\nENTITIES\n";
}

void DxfFaceWriter::triangle(const Point3& a, const Point3& b, const Point3& c) {
    char text[1024];  // twelve numbers of at most 47 characters each
    int n = std::snprintf(text, sizeof text, "0\n3DFACE\n8\n1\n");
    const Point3* corners[4] = {&a, &b, &c, &c};
    for (int k = 0; k < 4; ++k) {
        const Point3& p = *corners[k];
        n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n),
                           "%d\n%8.3f\n%d\n%8.3f\n%d\n%8.3f\n", 10 + k, static_cast<double>(p.x),
                           20 + k, static_cast<double>(p.y), 30 + k, static_cast<double>(p.z));
    }
    out_.write(text, n);
}

void DxfFaceWriter::end() {
    out_ << "0\nENDSEC\n0\nEOF\n";
}

}  // namespace orv
