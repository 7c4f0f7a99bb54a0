#include "script/ImageResizeObject.h"

#include <memory>

#include "automation/Class.h"
#include "windows/ImageResize.h"

namespace script {

namespace {

class ImageResizeObject : public automation::Dispatch<ImageResizeObject> {
public:
    static constexpr std::string_view className = "ImageResize";
    static void describe(automation::Members<ImageResizeObject>& m) {
        m.method<&ImageResizeObject::LoadFromFile>("LoadFromFile");
        m.get<&ImageResizeObject::Width>("Width");
        m.let<&ImageResizeObject::setWidth>("Width");
        m.method<&ImageResizeObject::DoResize>("DoResize");
        m.method<&ImageResizeObject::SaveToFile>("SaveToFile");
    }

    void LoadFromFile(std::string path) { resizer_.LoadFromFile(path); }
    double Width() const { return resizer_.Width(); }
    void setWidth(double width) { resizer_.setWidth(width); }
    void DoResize() { resizer_.DoResize(); }
    void SaveToFile(std::string path) { resizer_.SaveToFile(path); }

private:
    windows::ImageResize resizer_;
};

}  // namespace

vb::ObjectRef makeImageResize() { return std::make_shared<ImageResizeObject>(); }

}  // namespace script
