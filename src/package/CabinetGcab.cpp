// Cabinet archives on Linux, through libgcab.

#include <libgcab.h>

#include "base/FilePath.h"
#include "package/FirmwarePackage.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// The GLib objects of one call, released on every path.
template <typename T>
struct GObjectPtr {
    T* p = nullptr;
    ~GObjectPtr() {
        if (p != nullptr) {
            g_object_unref(p);
        }
    }
};

struct GErrorPtr {
    GError* p = nullptr;
    ~GErrorPtr() {
        if (p != nullptr) {
            g_error_free(p);
        }
    }
};

}  // namespace

UINT ReadCabinetBytes(std::span<const BYTE> archive, PackageFiles& files) {
    GObjectPtr<GInputStream> stream{g_memory_input_stream_new_from_data(
        archive.data(), static_cast<gssize>(archive.size()), nullptr)};
    GErrorPtr error;
    GObjectPtr<GCabCabinet> cabinet{gcab_cabinet_new()};
    if (!gcab_cabinet_load(cabinet.p, stream.p, nullptr, &error.p)) {
        return IDS_PKG_CAB_DAMAGED;
    }
    // The headers say how large every file is; nothing is expanded unless
    // all of them together fit.
    GPtrArray* folders = gcab_cabinet_get_folders(cabinet.p);
    std::uintmax_t nTotal = 0;
    for (guint i = 0; i < folders->len; ++i) {
        auto* folder = static_cast<GCabFolder*>(g_ptr_array_index(folders, i));
        GSList* list = gcab_folder_get_files(folder);
        for (GSList* item = list; item != nullptr; item = item->next) {
            nTotal += gcab_file_get_size(static_cast<GCabFile*>(item->data));
        }
        g_slist_free(list);
    }
    if (nTotal > kLargestPackage) {
        return IDS_PKG_TOO_LARGE_WHOLE;
    }
    // Without a directory the files are decompressed into memory.
    if (!gcab_cabinet_extract(cabinet.p, nullptr, nullptr, nullptr, nullptr, nullptr, &error.p)) {
        return IDS_PKG_CAB_DAMAGED;
    }
    for (guint i = 0; i < folders->len; ++i) {
        auto* folder = static_cast<GCabFolder*>(g_ptr_array_index(folders, i));
        GSList* list = gcab_folder_get_files(folder);
        for (GSList* item = list; item != nullptr; item = item->next) {
            auto* cabFile = static_cast<GCabFile*>(item->data);
            GBytes* bytes = gcab_file_get_bytes(cabFile);
            if (bytes == nullptr) {
                g_slist_free(list);
                return IDS_PKG_CAB_DAMAGED;
            }
            gsize nSize = 0;
            const auto* pData = static_cast<const BYTE*>(g_bytes_get_data(bytes, &nSize));
            files[gcab_file_get_name(cabFile)] = std::vector<BYTE>(pData, pData + nSize);
        }
        g_slist_free(list);
    }
    return 0;
}

bool WriteCabinet(const std::filesystem::path& path, const PackageFiles& files) {
    GObjectPtr<GCabCabinet> cabinet{gcab_cabinet_new()};
    GObjectPtr<GCabFolder> folder{gcab_folder_new(GCAB_COMPRESSION_MSZIP)};
    GErrorPtr error;
    for (const auto& [name, data] : files) {
        GBytes* bytes = g_bytes_new(data.data(), data.size());
        GObjectPtr<GCabFile> cabFile{gcab_file_new_with_bytes(name.c_str(), bytes)};
        g_bytes_unref(bytes);
        if (!gcab_folder_add_file(folder.p, cabFile.p, FALSE, nullptr, &error.p)) {
            return false;
        }
    }
    if (!gcab_cabinet_add_folder(cabinet.p, folder.p, &error.p)) {
        return false;
    }
    GObjectPtr<GFile> file{g_file_new_for_path(PathToUtf8(path).c_str())};
    GObjectPtr<GFileOutputStream> stream{
        g_file_replace(file.p, nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, &error.p)};
    if (stream.p == nullptr) {
        return false;
    }
    return gcab_cabinet_write_simple(cabinet.p, G_OUTPUT_STREAM(stream.p), nullptr, nullptr,
                                     nullptr, &error.p) &&
           g_output_stream_close(G_OUTPUT_STREAM(stream.p), nullptr, &error.p);
}

}  // namespace rf
