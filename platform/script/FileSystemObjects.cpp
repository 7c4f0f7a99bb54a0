#include "script/FileSystemObjects.h"

#include <memory>

#include "automation/Class.h"
#include "vb/Collection.h"
#include "vb/DateTime.h"
#include "windows/FileSystemObject.h"

namespace script {

namespace {

class TextStreamObject : public automation::Dispatch<TextStreamObject> {
public:
    static constexpr std::string_view className = "TextStream";
    static void describe(automation::Members<TextStreamObject>& m) {
        m.get<&TextStreamObject::AtEndOfStream>("AtEndOfStream");
        m.method<&TextStreamObject::ReadLine>("ReadLine");
        m.method<&TextStreamObject::ReadAll>("ReadAll");
        m.method<&TextStreamObject::Write>("Write");
        m.method<&TextStreamObject::WriteLine>("WriteLine", 0);
        m.method<&TextStreamObject::Close>("Close");
    }

    explicit TextStreamObject(std::shared_ptr<windows::TextStream> s) : stream_(std::move(s)) {}

    bool AtEndOfStream() { return stream_->AtEndOfStream(); }
    std::string ReadLine() { return stream_->ReadLine(); }
    std::string ReadAll() { return stream_->ReadAll(); }
    void Write(std::string text) { stream_->Write(text); }
    void WriteLine(std::string text) { stream_->WriteLine(text); }
    void Close() { stream_->Close(); }

private:
    std::shared_ptr<windows::TextStream> stream_;
};

vb::Variant sizeValue(int64_t size) {
    if (size <= INT32_MAX) return vb::Variant(static_cast<int32_t>(size));
    return vb::Variant(static_cast<double>(size));
}

class FileObject : public automation::Dispatch<FileObject> {
public:
    static constexpr std::string_view className = "File";
    static void describe(automation::Members<FileObject>& m) {
        m.get<&FileObject::Name>("Name");
        m.get<&FileObject::Path>("Path");
        m.get<&FileObject::Size>("Size");
        m.get<&FileObject::DateLastModified>("DateLastModified");
        m.method<&FileObject::Delete>("Delete", 0);
        m.defaultMember("Path");
    }

    explicit FileObject(windows::File f) : file_(std::move(f)) {}

    std::string Name() const { return file_.Name(); }
    std::string Path() const { return file_.Path(); }
    vb::Variant Size() const { return sizeValue(file_.Size()); }
    vb::Date DateLastModified() const { return vb::localDate(file_.DateLastModified()); }
    void Delete(bool force) { file_.Delete(force); }

private:
    windows::File file_;
};

class FolderObject : public automation::Dispatch<FolderObject> {
public:
    static constexpr std::string_view className = "Folder";
    static void describe(automation::Members<FolderObject>& m) {
        m.get<&FolderObject::Name>("Name");
        m.get<&FolderObject::Path>("Path");
        m.get<&FolderObject::Files>("Files");
        m.get<&FolderObject::SubFolders>("SubFolders");
        m.defaultMember("Path");
    }

    explicit FolderObject(windows::Folder f) : folder_(std::move(f)) {}

    std::string Name() const { return folder_.Name(); }
    std::string Path() const { return folder_.Path(); }
    // Collections keyed by name, walked by For Each.
    vb::ObjectRef Files() const {
        auto c = std::make_shared<vb::Collection>();
        for (windows::File& f : folder_.Files()) {
            std::string name = f.Name();
            c->Add(vb::Variant(vb::ObjectRef(std::make_shared<FileObject>(std::move(f)))), vb::Variant(name));
        }
        return c;
    }
    vb::ObjectRef SubFolders() const {
        auto c = std::make_shared<vb::Collection>();
        for (windows::Folder& f : folder_.SubFolders()) {
            std::string name = f.Name();
            c->Add(vb::Variant(vb::ObjectRef(std::make_shared<FolderObject>(std::move(f)))), vb::Variant(name));
        }
        return c;
    }

private:
    windows::Folder folder_;
};

class FileSystemObject : public automation::Dispatch<FileSystemObject> {
public:
    static constexpr std::string_view className = "FileSystemObject";
    static void describe(automation::Members<FileSystemObject>& m) {
        m.method<&FileSystemObject::FileExists>("FileExists");
        m.method<&FileSystemObject::FolderExists>("FolderExists");
        m.method<&FileSystemObject::CreateFolder>("CreateFolder");
        m.method<&FileSystemObject::CreateTextFile>("CreateTextFile", 1);
        m.method<&FileSystemObject::OpenTextFile>("OpenTextFile", 1);
        m.method<&FileSystemObject::GetFile>("GetFile");
        m.method<&FileSystemObject::GetFolder>("GetFolder");
        m.method<&FileSystemObject::DeleteFile>("DeleteFile", 1);
        m.method<&FileSystemObject::CopyFile>("CopyFile", 2);
        m.method<&FileSystemObject::BuildPath>("BuildPath");
        m.method<&FileSystemObject::GetExtensionName>("GetExtensionName");
    }

    bool FileExists(std::string path) { return fso_.FileExists(path); }
    bool FolderExists(std::string path) { return fso_.FolderExists(path); }
    vb::ObjectRef CreateFolder(std::string path) { return std::make_shared<FolderObject>(fso_.CreateFolder(path)); }
    vb::ObjectRef CreateTextFile(std::string path, const vb::Variant& overwrite) {
        bool replace = overwrite.isMissing() ? true : vb::CBool(overwrite);
        return std::make_shared<TextStreamObject>(fso_.CreateTextFile(path, replace));
    }
    // The format argument (Unicode or not) is accepted and ignored: files are byte text.
    vb::ObjectRef OpenTextFile(std::string path, const vb::Variant& mode, const vb::Variant& create,
                               const vb::Variant&) {
        int m = mode.isMissing() ? windows::ForReading : vb::CLng(mode);
        bool make = create.isMissing() ? false : vb::CBool(create);
        return std::make_shared<TextStreamObject>(fso_.OpenTextFile(path, m, make));
    }
    vb::ObjectRef GetFile(std::string path) { return std::make_shared<FileObject>(fso_.GetFile(path)); }
    vb::ObjectRef GetFolder(std::string path) { return std::make_shared<FolderObject>(fso_.GetFolder(path)); }
    void DeleteFile(std::string path, bool force) { fso_.DeleteFile(path, force); }
    void CopyFile(std::string source, std::string destination, const vb::Variant& overwrite) {
        fso_.CopyFile(source, destination, overwrite.isMissing() ? true : vb::CBool(overwrite));
    }
    std::string BuildPath(std::string path, std::string name) { return fso_.BuildPath(path, name); }
    std::string GetExtensionName(std::string path) { return fso_.GetExtensionName(path); }

private:
    windows::FileSystemObject fso_;
};

}  // namespace

vb::ObjectRef makeFileSystemObject() { return std::make_shared<FileSystemObject>(); }

}  // namespace script
